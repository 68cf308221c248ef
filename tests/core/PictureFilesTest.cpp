#include "core/export/PictureFiles.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csetjmp>
#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>

namespace {

// A picture with distinct corners so orientation and channel order show.
RawPicture TestPicture(int w = 37, int h = 21) {
    RawPicture pic(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = pic.Pixel(x, y);
            p[0] = 255; // white
            p[1] = 255;
            p[2] = 255;
        }
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            std::uint8_t* p = pic.Pixel(x, y);
            p[0] = 255; // red top-left quarter
            p[1] = 0;
            p[2] = 0;
        }
    return pic;
}

std::uint32_t U32(const QByteArray& b, int at) {
    return std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8) | (std::uint8_t(b[at + 2]) << 16) |
           (std::uint32_t(std::uint8_t(b[at + 3])) << 24);
}
std::uint16_t U16(const QByteArray& b, int at) {
    return std::uint16_t(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

struct DecodeError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void DecodeExit(j_common_ptr c) {
    std::longjmp(reinterpret_cast<DecodeError*>(c->err)->jump, 1);
}

struct Decoded {
    bool ok = false;
    int w = 0, h = 0, comps = 0;
    bool progressive = true;
    std::vector<std::uint8_t> rgb;
};

Decoded DecodeJpeg(const QByteArray& data) {
    Decoded d;
    jpeg_decompress_struct c;
    DecodeError err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = DecodeExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&c);
        d.ok = false;
        return d;
    }
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&c, TRUE);
    d.progressive = c.progressive_mode;
    d.comps = c.num_components;
    jpeg_start_decompress(&c);
    d.w = int(c.output_width);
    d.h = int(c.output_height);
    d.rgb.resize(std::size_t(d.w) * d.h * c.output_components);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = d.rgb.data() + std::size_t(c.output_scanline) * d.w * c.output_components;
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    d.ok = true;
    return d;
}

// ImageMagick's view of a file, when it is installed: "WIDTHxHEIGHT" and the
// colour of the pixel at (2, 2). Metafiles are read at our 96 pixels per inch.
QString Identify(const QString& file) {
    if (QStandardPaths::findExecutable(QStringLiteral("identify")).isEmpty()) return {};
    QProcess p;
    p.start(QStringLiteral("identify"),
            {QStringLiteral("-density"), QStringLiteral("96"), QStringLiteral("-format"),
             QStringLiteral("%wx%h %[pixel:p{2,2}]"), file});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) return QStringLiteral("error");
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

} // namespace

TEST(PictureFiles, JpegDecodesAsBaselineColourAtTheSameSize) {
    const RawPicture pic = TestPicture();
    const QByteArray jpg = EncodeJpeg(pic);
    ASSERT_GT(jpg.size(), 100);
    EXPECT_EQ(std::uint8_t(jpg[0]), 0xFF);
    EXPECT_EQ(std::uint8_t(jpg[1]), 0xD8);
    EXPECT_NE(jpg.indexOf(QByteArray("\xFF\xC0", 2)), -1) << "baseline frame marker";
    const Decoded d = DecodeJpeg(jpg);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.w, 37);
    EXPECT_EQ(d.h, 21);
    EXPECT_EQ(d.comps, 3);
    EXPECT_FALSE(d.progressive);
    // Top-left is red, bottom-right white, within what quality 90 keeps.
    const std::uint8_t* tl = d.rgb.data() + (2 * d.w + 2) * 3;
    EXPECT_GT(tl[0], 200);
    EXPECT_LT(tl[1], 60);
    const std::uint8_t* br = d.rgb.data() + ((d.h - 2) * d.w + d.w - 2) * 3;
    EXPECT_GT(br[1], 200);
}

TEST(PictureFiles, BmpHeaderRowsAndPadding) {
    const RawPicture pic = TestPicture(5, 3); // 15 bytes a row, padded to 16
    const QByteArray b = EncodeBmp(pic);
    ASSERT_EQ(b.size(), 54 + 16 * 3);
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(U32(b, 2), std::uint32_t(b.size()));
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 18), 5u);
    EXPECT_EQ(U32(b, 22), 3u);
    EXPECT_EQ(U16(b, 28), 24);
    // Bottom-up: the last stored row is the top row, whose first pixel is red (B,G,R).
    const int top = 54 + 16 * 2;
    EXPECT_EQ(std::uint8_t(b[top]), 0);
    EXPECT_EQ(std::uint8_t(b[top + 2]), 255);
}

TEST(PictureFiles, PlaceableWmfHeaderChecksumAndRecords) {
    const RawPicture pic = TestPicture(30, 20);
    const QByteArray b = EncodePlaceableWmf(pic);
    EXPECT_EQ(U32(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(U16(b, 10), 30);
    EXPECT_EQ(U16(b, 12), 20);
    std::uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= U16(b, i);
    EXPECT_EQ(U16(b, 20), sum);
    // The metafile size in words covers everything after the placeable header.
    EXPECT_EQ(U32(b, 22 + 6) * 2, std::uint32_t(b.size() - 22));
    // Walk the records: sizes chain to META_EOF at the very end.
    int at = 22 + 18;
    std::vector<std::uint16_t> functions;
    while (at < b.size()) {
        const std::uint32_t words = U32(b, at);
        ASSERT_GE(words, 3u);
        functions.push_back(U16(b, at + 4));
        at += int(words * 2);
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(functions, (std::vector<std::uint16_t>{0x020B, 0x020C, 0x0F43, 0x0000}));
    // The largest record is announced in the header.
    EXPECT_EQ(U32(b, 22 + 12), (28u + 40u + 92u * 20u) / 2u);
}

TEST(PictureFiles, EmfRecordsChainAndSizesAgree) {
    const RawPicture pic = TestPicture(30, 20);
    const QByteArray b = EncodeEmf(pic);
    EXPECT_EQ(U32(b, 0), 1u);
    EXPECT_EQ(U32(b, 40), 0x464D4520u);
    EXPECT_EQ(U32(b, 48), std::uint32_t(b.size()));
    EXPECT_EQ(U32(b, 52), 3u);
    EXPECT_EQ(U32(b, 16), 29u); // inclusive bounds
    std::vector<std::uint32_t> types;
    int at = 0;
    while (at < b.size()) {
        types.push_back(U32(b, at));
        const std::uint32_t size = U32(b, at + 4);
        ASSERT_EQ(size % 4, 0u);
        at += int(size);
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(types, (std::vector<std::uint32_t>{1, 81, 14}));
    // The DIB inside the stretch record starts with its info header.
    EXPECT_EQ(U32(b, 108 + 80), 40u);
    EXPECT_EQ(U32(b, 108 + 80 + 4), 30u);
}

TEST(PictureFiles, FilesLandWholeAndOtherProgramsReadThem) {
    QTemporaryDir dir;
    const RawPicture pic = TestPicture(64, 48);
    const QString jpg = dir.filePath("c.jpg"), bmp = dir.filePath("c.bmp"),
                  wmf = dir.filePath("c.wmf"), emf = dir.filePath("c.emf");
    SaveJpegFile(pic, jpg);
    SaveBmpFile(pic, bmp);
    SaveWmfFile(pic, wmf);
    SaveEmfFile(pic, emf);
    for (const QString& f : {jpg, bmp, wmf, emf})
        EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4) << "no temporary files left";
    const QString id = Identify(bmp);
    if (id.isEmpty()) GTEST_SKIP() << "ImageMagick not installed";
    EXPECT_EQ(id.toStdString(), "64x48 srgb(255,0,0)");
    EXPECT_TRUE(Identify(jpg).startsWith("64x48 srgb(")) << Identify(jpg).toStdString();
    // The metafile comes back at its size, the right way up and in its colours.
    EXPECT_TRUE(Identify(wmf).startsWith("64x48 srgb")) << Identify(wmf).toStdString();
    EXPECT_TRUE(Identify(wmf).contains("(255,0,0")) << Identify(wmf).toStdString();
}

TEST(PictureFiles, FailuresThrowAndLeaveNothing) {
    QTemporaryDir dir;
    EXPECT_THROW(EncodeJpeg(RawPicture()), EMorvaneError);
    EXPECT_THROW(SaveBmpFile(TestPicture(), dir.filePath("missing/sub/c.bmp")), EMorvaneError);
    EXPECT_THROW(EncodePlaceableWmf(RawPicture(40000, 1)), EMorvaneError);
    // An existing file is replaced only by a complete new one.
    const QString f = dir.filePath("keep.bmp");
    SaveBmpFile(TestPicture(4, 4), f);
    const qint64 before = QFileInfo(f).size();
    EXPECT_THROW(SaveBmpFile(RawPicture(), f), EMorvaneError);
    EXPECT_EQ(QFileInfo(f).size(), before);
}
