#include "core/export/PictureFiles.h"
#include "platform/Errors.h"

#include <QSaveFile>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

// Little-endian appenders.
void Put16(QByteArray& b, std::uint16_t v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray& b, std::uint32_t v) {
    Put16(b, std::uint16_t(v & 0xFFFF));
    Put16(b, std::uint16_t(v >> 16));
}
void PutI32(QByteArray& b, std::int32_t v) {
    Put32(b, std::uint32_t(v));
}

void CheckPicture(const RawPicture& pic) {
    if (pic.IsEmpty() || pic.rgb.size() != std::size_t(pic.width) * pic.height * 3)
        throw EMorvaneError(QStringLiteral("There is no picture to save."));
}

int DibStride(int width) {
    return (width * 3 + 3) & ~3;
}

// BITMAPINFOHEADER of a 24-bit bottom-up DIB.
void PutInfoHeader(QByteArray& b, const RawPicture& pic) {
    const std::uint32_t imageSize = std::uint32_t(DibStride(pic.width)) * pic.height;
    Put32(b, 40);
    PutI32(b, pic.width);
    PutI32(b, pic.height);
    Put16(b, 1);  // planes
    Put16(b, 24); // bits per pixel
    Put32(b, 0);  // BI_RGB
    Put32(b, imageSize);
    PutI32(b, 3780); // 96 dpi in pixels per metre
    PutI32(b, 3780);
    Put32(b, 0);
    Put32(b, 0);
}

// The pixel rows of a DIB: bottom row first, blue-green-red, rows padded to 4 bytes.
void PutDibBits(QByteArray& b, const RawPicture& pic) {
    const int stride = DibStride(pic.width);
    const int pad = stride - pic.width * 3;
    b.reserve(b.size() + qsizetype(stride) * pic.height);
    for (int y = pic.height - 1; y >= 0; --y) {
        const std::uint8_t* p = pic.Pixel(0, y);
        for (int x = 0; x < pic.width; ++x, p += 3) {
            b.append(char(p[2]));
            b.append(char(p[1]));
            b.append(char(p[0]));
        }
        for (int i = 0; i < pad; ++i)
            b.append('\0');
    }
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Kept free of C++ objects with destructors: a libjpeg error jumps out of it.
bool CompressJpeg(const RawPicture& pic, int quality, unsigned char** out, unsigned long* outSize,
                  char* message) {
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(pic.width);
    cinfo.image_height = JDIMENSION(pic.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    // The encoder's defaults: baseline, colour, not progressive.
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pic.Pixel(0, int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray EncodeJpeg(const RawPicture& pic, int quality) {
    CheckPicture(pic);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = CompressJpeg(pic, quality, &buf, &size, message);
    QByteArray result;
    if (ok) result = QByteArray(reinterpret_cast<const char*>(buf), qsizetype(size));
    std::free(buf);
    if (!ok)
        throw EMorvaneError(QStringLiteral("JPEG error: %1").arg(QString::fromLocal8Bit(message)));
    return result;
}

QByteArray EncodeBmp(const RawPicture& pic) {
    CheckPicture(pic);
    const std::uint32_t bits = std::uint32_t(DibStride(pic.width)) * pic.height;
    QByteArray b;
    b.reserve(qsizetype(54 + bits));
    b.append("BM", 2);
    Put32(b, 54 + bits);
    Put32(b, 0);
    Put32(b, 54); // offset of the pixel rows
    PutInfoHeader(b, pic);
    PutDibBits(b, pic);
    return b;
}

QByteArray EncodePlaceableWmf(const RawPicture& pic) {
    CheckPicture(pic);
    // Coordinates of a metafile are 16-bit.
    if (pic.width > 32767 || pic.height > 32767)
        throw EMorvaneError(QStringLiteral("The picture is too large for a metafile."));
    const std::uint32_t dibBytes = 40 + std::uint32_t(DibStride(pic.width)) * pic.height;
    const std::uint32_t stretchWords = (28 + dibBytes) / 2;
    const std::uint32_t orgWords = 5, extWords = 5, eofWords = 3;
    const std::uint32_t totalWords = 9 + orgWords + extWords + stretchWords + eofWords;

    QByteArray b;
    b.reserve(qsizetype(22 + totalWords * 2));
    // Placeable header; the bounding box is in pixels at 96 per inch.
    Put32(b, 0x9AC6CDD7);
    Put16(b, 0); // handle
    Put16(b, 0); // left
    Put16(b, 0); // top
    Put16(b, std::uint16_t(pic.width));
    Put16(b, std::uint16_t(pic.height));
    Put16(b, 96);
    Put32(b, 0);
    std::uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= std::uint16_t(std::uint8_t(b[i]) | (std::uint8_t(b[i + 1]) << 8));
    Put16(b, sum);
    // META_HEADER
    Put16(b, 1);      // memory metafile
    Put16(b, 9);      // header size in words
    Put16(b, 0x0300); // version
    Put32(b, totalWords);
    Put16(b, 0); // objects
    Put32(b, stretchWords);
    Put16(b, 0);
    // META_SETWINDOWORG, META_SETWINDOWEXT (parameters y first)
    Put32(b, orgWords);
    Put16(b, 0x020B);
    Put16(b, 0);
    Put16(b, 0);
    Put32(b, extWords);
    Put16(b, 0x020C);
    Put16(b, std::uint16_t(pic.height));
    Put16(b, std::uint16_t(pic.width));
    // META_STRETCHDIB: the whole picture, copied as it is.
    Put32(b, stretchWords);
    Put16(b, 0x0F43);
    Put32(b, 0x00CC0020); // SRCCOPY
    Put16(b, 0);          // DIB_RGB_COLORS
    Put16(b, std::uint16_t(pic.height));
    Put16(b, std::uint16_t(pic.width));
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, std::uint16_t(pic.height));
    Put16(b, std::uint16_t(pic.width));
    Put16(b, 0);
    Put16(b, 0);
    PutInfoHeader(b, pic);
    PutDibBits(b, pic);
    // META_EOF
    Put32(b, eofWords);
    Put16(b, 0);
    return b;
}

QByteArray EncodeEmf(const RawPicture& pic) {
    CheckPicture(pic);
    const std::uint32_t headerSize = 108;
    const std::uint32_t bitsSize = std::uint32_t(DibStride(pic.width)) * pic.height;
    const std::uint32_t stretchSize = 80 + 40 + bitsSize;
    const std::uint32_t eofSize = 20;
    const std::uint32_t total = headerSize + stretchSize + eofSize;
    // Reference device: a 1920 x 1080 screen at 96 pixels per inch.
    const std::int32_t devW = 1920, devH = 1080;
    const std::int32_t mmW = 508, mmH = 286;
    auto hundredthsMm = [](int px) { return std::int32_t((std::int64_t(px) * 2540 + 48) / 96); };

    QByteArray b;
    b.reserve(qsizetype(total));
    // EMR_HEADER
    Put32(b, 1);
    Put32(b, headerSize);
    PutI32(b, 0); // bounds, inclusive, in device pixels
    PutI32(b, 0);
    PutI32(b, pic.width - 1);
    PutI32(b, pic.height - 1);
    PutI32(b, 0); // frame, inclusive, in 0.01 mm
    PutI32(b, 0);
    PutI32(b, hundredthsMm(pic.width) - 1);
    PutI32(b, hundredthsMm(pic.height) - 1);
    Put32(b, 0x464D4520); // " EMF"
    Put32(b, 0x00010000);
    Put32(b, total);
    Put32(b, 3); // records
    Put16(b, 1); // handles (index 0 is reserved)
    Put16(b, 0);
    Put32(b, 0); // no description
    Put32(b, 0);
    Put32(b, 0); // no palette
    PutI32(b, devW);
    PutI32(b, devH);
    PutI32(b, mmW);
    PutI32(b, mmH);
    Put32(b, 0); // no pixel format
    Put32(b, 0);
    Put32(b, 0); // not OpenGL
    PutI32(b, mmW * 1000);
    PutI32(b, mmH * 1000);
    // EMR_STRETCHDIBITS
    Put32(b, 81);
    Put32(b, stretchSize);
    PutI32(b, 0);
    PutI32(b, 0);
    PutI32(b, pic.width - 1);
    PutI32(b, pic.height - 1);
    PutI32(b, 0); // destination x, y
    PutI32(b, 0);
    PutI32(b, 0); // source x, y, width, height
    PutI32(b, 0);
    PutI32(b, pic.width);
    PutI32(b, pic.height);
    Put32(b, 80); // bitmap info offset and size
    Put32(b, 40);
    Put32(b, 120); // bits offset and size
    Put32(b, bitsSize);
    Put32(b, 0);          // DIB_RGB_COLORS
    Put32(b, 0x00CC0020); // SRCCOPY
    PutI32(b, pic.width);
    PutI32(b, pic.height);
    PutInfoHeader(b, pic);
    PutDibBits(b, pic);
    // EMR_EOF
    Put32(b, 14);
    Put32(b, eofSize);
    Put32(b, 0);
    Put32(b, 16);
    Put32(b, eofSize);
    return b;
}

void WriteFileWhole(const QString& fileName, const QByteArray& data) {
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit())
        throw EMorvaneError(QStringLiteral("Cannot write %1: %2").arg(fileName, f.errorString()));
}

void SaveJpegFile(const RawPicture& pic, const QString& fileName) {
    WriteFileWhole(fileName, EncodeJpeg(pic));
}
void SaveBmpFile(const RawPicture& pic, const QString& fileName) {
    WriteFileWhole(fileName, EncodeBmp(pic));
}
void SaveWmfFile(const RawPicture& pic, const QString& fileName) {
    WriteFileWhole(fileName, EncodePlaceableWmf(pic));
}
void SaveEmfFile(const RawPicture& pic, const QString& fileName) {
    WriteFileWhole(fileName, EncodeEmf(pic));
}
