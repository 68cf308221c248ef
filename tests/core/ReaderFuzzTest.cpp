// Every reader of files fed damaged copies of a good file: bytes changed, cut
// out, repeated, long digit runs put in, the file cut short. From a fixed seed
// and bounded, so a run takes a few seconds. Each input must be read or refused,
// never crash or hang; under the sanitizer build an overflow or a stray read
// fails the test too.
#include "core/archive/ZipExtract.h"
#include "core/archive/ZipTimes.h"
#include "core/engine/SizeText.h"
#include "core/resultfile/ResultFile.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniSnapshot.h"
#include "core/snapshot/Snapshot.h"
#include "core/tree/TreeRows.h"
#include "platform/Errors.h"
#include <QBuffer>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <zip.h>

namespace {

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : rng_(seed) {}
    std::uint32_t Below(std::size_t n) {
        return std::uint32_t(rng_() % std::max<std::size_t>(n, 1));
    }

    QByteArray operator()(QByteArray m, const QByteArray& alphabet) {
        const int edits = 1 + int(Below(4));
        for (int e = 0; e < edits && !m.isEmpty(); ++e) {
            const int at = int(Below(std::size_t(m.size())));
            switch (Below(6)) {
            case 0:
                m[at] = alphabet[Below(std::size_t(alphabet.size()))];
                break;
            case 1:
                m[at] = char(Below(256));
                break;
            case 2:
                m.remove(at, 1 + int(Below(20)));
                break;
            case 3:
                m.insert(at, m.mid(int(Below(std::size_t(m.size()))), 1 + int(Below(30))));
                break;
            case 4:
                // Numbers too large for any field, and lengths past the end.
                m.insert(at, QByteArray(1 + int(Below(25)), char('1' + Below(9))));
                break;
            default:
                m.truncate(at);
                break;
            }
        }
        return m;
    }

private:
    std::mt19937 rng_;
};

constexpr int kRounds = 3000;

} // namespace

TEST(ReaderFuzz, Snapshots) {
    QByteArray good = R"([1,2,{"progname":"x","timestamp":1},[{"name":"/r","asize":4096},)";
    for (int i = 0; i < 8; ++i)
        good += QStringLiteral(R"({"name":"f%1","asize":%2,"dsize":4096,"mtime":%3},)"
                               R"([{"name":"d%1"},{"name":"g","asize":%2}],)")
                    .arg(i)
                    .arg(std::int64_t(1) << (7 * i))
                    .arg(std::int64_t(1) << (4 * i))
                    .toUtf8();
    good += R"({"name":"last","notreg":true}]])";
    Mutator mutate(17);
    int read = 0;
    // Fewer rounds: each read takes a 1 MiB buffer, which the sanitizers make slow.
    for (int round = 0; round < kRounds / 3; ++round) {
        QBuffer in;
        in.setData(mutate(good, R"([]{},:"\0123456789-eu/ ntf)"));
        in.open(QIODevice::ReadOnly);
        try {
            const Snapshot s = Snapshot::Read(in, QStringLiteral("fuzz.json"));
            // What is read gives its size list and file list as an analysis would.
            const TreeFolderRows rows = FolderRowsOf(s, 0);
            EXPECT_EQ(rows.paths.size(), rows.kb.size());
            TreeFileRowSource files(s, 0);
            for (int i = 0; i < files.RowCount(); ++i)
                files.SubItem(i, 4);
            ++read;
        } catch (const EMorvaneError&) {
        }
    }
    EXPECT_GT(read, 0);
}

TEST(ReaderFuzz, ResultFilesAndTheirTotals) {
    const QByteArray good =
        ResultFileBytes({"/r/a", "/r/b", "/r/<All files in this folder>"},
                        {"1.5", "878906250000", "0"}, {"1536", "900000000000000", "0.5"});
    Mutator mutate(18);
    int read = 0;
    for (int round = 0; round < kRounds; ++round) {
        QStringList paths, mb, kb;
        if (!ParseResultFile(mutate(good, "\xff\xfe\x00\x01-.,0123456789"), paths, mb, kb)
                 .isEmpty())
            continue;
        ++read;
        // The totals the report makes of the rows.
        WideSizeValue sum = 0;
        for (const QString& t : kb) {
            try {
                sum += StrToSizeValue(t);
            } catch (const EConvertError&) {
            }
        }
        EXPECT_FALSE(TotalText(sum, "KB").isEmpty());
        EXPECT_FALSE(SizeText(suGB, sum * 1024).isEmpty());
    }
    EXPECT_GT(read, 0);
}

TEST(ReaderFuzz, SettingsFiles) {
    const QByteArray good = "\xEF\xBB\xBF[Settings]\r\nLeft=$7FFFFFFF\r\nTop=-2147483648\r\n"
                            "Color=0xFF00FF\n[Toolbar Images]\nCurrent=/x/\xff.bmp\n;note\n"
                            "[Empty]\n";
    Mutator mutate(19);
    for (int round = 0; round < kRounds; ++round) {
        const QByteArray m = mutate(good, "[]=;$x-\r\n\t 0123456789abcdefABCDEF\xff");
        IniDocument doc(m);
        // Unknown lines and odd bytes are kept: the file reads back whole.
        ASSERT_EQ(doc.Serialize(), m);
        for (const QString& section : doc.Sections())
            for (const auto& [key, value] : doc.SectionValues(section))
                IniValueToInt(value, 0);
        doc.SetValue("Settings", "Left", "1");
        EXPECT_EQ(doc.Value("settings", "left"), "1");
    }
}

TEST(ReaderFuzz, ArchiveEntryTimesAndEntries) {
    // The NTFS times field, any bytes and lengths.
    Mutator mutate(20);
    EntryTimes t;
    t.modified = {1700000000, 500};
    t.accessed = {-1, 0};
    const std::vector<std::uint8_t> field = EncodeEntryTimes(t);
    const QByteArray fieldBytes(reinterpret_cast<const char*>(field.data()),
                                qsizetype(field.size()));
    for (int round = 0; round < kRounds; ++round) {
        const QByteArray m = mutate(fieldBytes, QByteArray("\x00\x01\x18\xff", 4));
        DecodeEntryTimes(reinterpret_cast<const std::uint8_t*>(m.constData()),
                         std::size_t(m.size()));
    }

    // Whole archives, damaged: what is restored stays below its target.
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string archive = root + "/good.zip";
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_CREATE | ZIP_EXCL, &err);
    ASSERT_NE(za, nullptr);
    for (const char* name : {"a/one.txt", "a/b/two.txt", "three"}) {
        zip_source_t* s = zip_source_buffer(za, name, std::strlen(name), 0);
        const zip_int64_t i = zip_file_add(za, name, s, 0);
        ASSERT_GE(i, 0);
        zip_file_set_external_attributes(za, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX,
                                         zip_uint32_t(S_IFREG | 0644) << 16);
        zip_file_extra_field_set(za, zip_uint64_t(i), kNtfsTimesField, ZIP_EXTRA_FIELD_NEW,
                                 field.data(), zip_uint16_t(field.size()),
                                 ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
    }
    ASSERT_EQ(zip_close(za), 0);
    std::ifstream in(archive, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const QByteArray goodZip(bytes.data(), qsizetype(bytes.size()));
    const std::string box = root + "/box", target = box + "/target";
    for (int round = 0; round < 150; ++round) {
        std::filesystem::remove_all(box);
        std::filesystem::create_directories(target);
        const QByteArray m = mutate(goodZip, QByteArray("\x00\xff/.PK\x01\x02\x0a", 10));
        std::ofstream(root + "/damaged.zip", std::ios::binary).write(m.constData(), m.size());
        ExtractJob job;
        job.archive = root + "/damaged.zip";
        job.target = target;
        ExtractFromArchive(job);
        for (const auto& e : std::filesystem::directory_iterator(box))
            ASSERT_EQ(e.path().string(), target);
    }
}

// Any 64 bits in the times field give a time, and a file time the field cannot
// hold is kept at the field's end, without overflow on either way.
TEST(ZipTimes, ExtremeTimesNeitherOverflowNorWrap) {
    auto decode = [](std::uint64_t modified) {
        std::vector<std::uint8_t> f = EncodeEntryTimes({});
        for (int i = 0; i < 8; ++i)
            f[8 + std::size_t(i)] = std::uint8_t(modified >> (8 * i));
        const timespec m = DecodeEntryTimes(f.data(), f.size()).value().modified;
        return std::pair<std::int64_t, long>(m.tv_sec, m.tv_nsec);
    };
    using Time = std::pair<std::int64_t, long>;
    EXPECT_EQ(decode(std::uint64_t(1) << 63), Time(-933981677286, 522419200));
    EXPECT_EQ(decode(~std::uint64_t(0)), Time(-11644473601, 999999900));
    EXPECT_EQ(decode(0), Time(-11644473600, 0));
    EXPECT_EQ(decode((std::uint64_t(1) << 63) - 1), Time(910692730085, 477580700));

    EntryTimes t;
    t.modified = {std::numeric_limits<time_t>::min(), 0};
    t.accessed = {std::numeric_limits<time_t>::max(), 999999999};
    const std::vector<std::uint8_t> f = EncodeEntryTimes(t);
    const EntryTimes back = DecodeEntryTimes(f.data(), f.size()).value();
    EXPECT_EQ(back.modified.tv_sec, -933981677286);
    EXPECT_EQ(back.accessed.tv_sec, 910692730085);
    t.modified = {1700000000, 123456700};
    t.accessed = {-5000000000, 0};
    const std::vector<std::uint8_t> g = EncodeEntryTimes(t);
    const EntryTimes same = DecodeEntryTimes(g.data(), g.size()).value();
    EXPECT_EQ(Time(same.modified.tv_sec, same.modified.tv_nsec), Time(1700000000, 123456700));
    EXPECT_EQ(same.accessed.tv_sec, -5000000000);
}
