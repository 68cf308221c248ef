// The archive writer's output as other zip readers see it, and its reading back.
#include "core/archive/ZipWriter.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipArchiver.h"
#include "core/archive/ZipCentral.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// Each entry as Python's zipfile reads it: name bytes in hex, size, mode and
// DOS time; then "ok" when every entry's CRC checks out.
const char* kListScript = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
for i in z.infolist():
    raw = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
    print(raw.hex(), i.file_size, oct(i.external_attr >> 16), '%04d-%02d-%02d %02d:%02d:%02d' % i.date_time)
print('ok' if z.testzip() is None else 'bad')
)";

QString RunTool(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    if (status) *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLatin1(p.readAllStandardOutput());
}

void WriteFile(const std::string& path, const std::string& data, std::time_t mtime) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, data.data(), data.size()), ssize_t(data.size()));
    ::close(fd);
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s)
        h += {digits[c >> 4], digits[c & 15]};
    return h;
}

std::string DosText(std::time_t t) {
    tm local{};
    localtime_r(&t, &local);
    local.tm_sec &= ~1; // two-second steps
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace

TEST(ZipWriter, MovedFilesReadInUnzipAndPythonWithNamesTimesAndSizes) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string root = PathBytes(QDir(tmp.path()).canonicalPath());
    const std::string data = root + "/data";
    ASSERT_EQ(::mkdir(data.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((data + "/empty").c_str(), 0700), 0);
    std::string noise(200000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    const std::time_t when = 1300000000;
    WriteFile(data + "/plain.txt", "plain", when);
    WriteFile(data + "/n\xe9-latin1.txt", "latin-1 name", when + 2);
    WriteFile(data + "/\xc3\xbc-utf8.txt", "", when + 4);
    WriteFile(data + "/noise.bin", noise, when + 6);
    ASSERT_EQ(::symlink("plain.txt", (data + "/link").c_str()), 0);
    const std::string archive = NextArchiveName(data);
    ASSERT_TRUE(MoveFilesToArchive(archive, {data}, nullptr));

    int status = -1;
    const QString listed = RunTool("python3", {"-c", kListScript, PathText(archive)}, &status);
    ASSERT_EQ(status, 0);
    const std::string at = data.substr(1) + "/";
    struct stat link {};
    ASSERT_NE(::lstat(data.c_str(), &link), -1);
    QStringList expected;
    auto line = [&](const std::string& name, std::size_t size, const char* mode, std::time_t t) {
        expected << QString::fromStdString(Hex(at + name) + " " + std::to_string(size) + " " +
                                           mode + " " + DosText(t));
    };
    line("plain.txt", 5, "0o100640", when);
    line("n\xe9-latin1.txt", 12, "0o100640", when + 2);
    line("\xc3\xbc-utf8.txt", 0, "0o100640", when + 4);
    line("noise.bin", noise.size(), "0o100640", when + 6);
    QStringList lines = listed.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeLast(), "ok");
    // The folder and the link carry the times of the moment; only their kind is checked.
    QStringList others;
    for (const QString& l : lines)
        if (!expected.contains(l)) others << l.section(' ', 0, 2);
    for (const QString& l : expected)
        EXPECT_TRUE(lines.contains(l)) << l.toStdString() << "\n" << listed.toStdString();
    others.sort();
    EXPECT_EQ(others.join('\n').toStdString(), Hex(at) + " 0 0o40755\n" + Hex(at + "empty/") +
                                                   " 0 0o40700\n" + Hex(at + "link") +
                                                   " 9 0o120777");
    const QString tested = RunTool("unzip", {"-t", PathText(archive)}, &status);
    EXPECT_EQ(status, 0) << tested.toStdString();
    EXPECT_TRUE(tested.contains("No errors detected")) << tested.toStdString();
}

TEST(ZipWriter, Zip64CountsAndOffsetsReadBackInPythonAndOurReader) {
    // Entries that start past 4 GiB (after a hole) and more than 65,535 of
    // them: the end records and each offset need zip64.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string path = PathBytes(tmp.path()) + "/many.zip";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::uint64_t start = 4700000000ULL;
    constexpr int kEntries = 70000;
    {
        ZipWriter writer(fd, start);
        std::vector<ZipEntryFacts> facts(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            facts[i].mode = S_IFREG | 0644;
            const std::string text = std::to_string(i);
            facts[i].size = text.size();
            ASSERT_TRUE(writer.Begin(std::string(1, 'f').append(text), facts[i]));
            ASSERT_TRUE(writer.Data(text.data(), text.size()));
            ASSERT_TRUE(writer.End(facts[i]));
        }
        writer.CentralStart();
        for (int i = 0; i < kEntries; ++i)
            ASSERT_TRUE(writer.Central(std::string(1, 'f').append(std::to_string(i)), facts[i]));
        ASSERT_TRUE(writer.Finish("a comment"));
        ASSERT_EQ(writer.Error(), 0);
    }
    ZipEnd end;
    ASSERT_EQ(ReadZipEnd(fd, end), "");
    EXPECT_EQ(end.count, std::uint64_t(kEntries));
    EXPECT_EQ(end.comment, "a comment");
    CentralReader reader(fd, end);
    CentralRecord r;
    for (int i = 0; i < kEntries; ++i) {
        ASSERT_TRUE(reader.Next(r)) << i;
        if (i % 9999 != 0) continue;
        std::uint32_t crc = 0;
        std::uint64_t size = 0;
        EXPECT_EQ(r.name, "f" + std::to_string(i));
        EXPECT_GE(r.offset, start);
        EXPECT_EQ(ReadEntryData(fd, r, crc, size), "");
        const std::string text = std::to_string(i);
        EXPECT_EQ(crc, crc32(0, reinterpret_cast<const Bytef*>(text.data()), uInt(text.size())));
        EXPECT_EQ(size, text.size());
    }
    EXPECT_FALSE(reader.Next(r));
    EXPECT_FALSE(reader.Failed());
    ::close(fd);
    const char* script = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = z.namelist()
print(len(names), z.read('f0').decode(), z.read('f69999').decode(), z.comment.decode())
)";
    EXPECT_EQ(RunTool("python3", {"-c", script, PathText(path)}), "70000 0 69999 a comment\n");
}

TEST(ZipWriter, DroppedEntriesLeaveNoTraceAndDamagedDataIsFound) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string path = PathBytes(tmp.path()) + "/small.zip";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string text(5000, 'a');
    ZipEntryFacts dropped, kept;
    dropped.mode = kept.mode = S_IFREG | 0600;
    {
        ZipWriter writer(fd, 0);
        ASSERT_TRUE(writer.Begin("dropped", dropped));
        ASSERT_TRUE(writer.Data("half of it", 10));
        writer.Drop(dropped); // as a file that changed while it was read
        ASSERT_TRUE(writer.Begin("kept", kept));
        ASSERT_TRUE(writer.Data(text.data(), text.size()));
        ASSERT_TRUE(writer.End(kept));
        writer.CentralStart();
        ASSERT_TRUE(writer.Central("kept", kept));
        ASSERT_TRUE(writer.Finish());
    }
    EXPECT_EQ(kept.offset, 0u);
    ZipEnd end;
    ASSERT_EQ(ReadZipEnd(fd, end), "");
    ASSERT_EQ(end.count, 1u);
    CentralReader reader(fd, end);
    CentralRecord r;
    ASSERT_TRUE(reader.Next(r));
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    ASSERT_EQ(ReadEntryData(fd, r, crc, size), "");
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(crc, kept.crc);
    // One byte of the data changed: the check sees it.
    const off_t data = off_t(r.offset + 30 + 4 + 36 + 2);
    char byte = 0;
    ASSERT_EQ(::pread(fd, &byte, 1, data), 1);
    byte = char(byte ^ 0x55);
    ASSERT_EQ(::pwrite(fd, &byte, 1, data), 1);
    const std::string fault = ReadEntryData(fd, r, crc, size);
    EXPECT_TRUE(!fault.empty() || crc != kept.crc || size != text.size());
    ::close(fd);
    EXPECT_EQ(RunTool("unzip", {"-tq", PathText(path)}).contains("No errors"), false);
}

TEST(ZipWriter, ArchiveOfAnotherToolGrowsKeepingItsEntriesAndComment) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string root = PathBytes(tmp.path());
    const std::string archive = root + "/other.zip";
    const char* make = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('a.txt', 'old a' * 100)
    z.writestr('keep.txt', 'kept as it was')
    z.comment = b'their comment'
)";
    int status = -1;
    RunTool("python3", {"-c", make, PathText(archive)}, &status);
    ASSERT_EQ(status, 0);
    WriteFile(root + "/a.txt", "new a", 1300000000);
    ZipArchiver zip;
    zip.ArchiveName = archive;
    zip.SetFilesToZip({root + "/a.txt"});
    ASSERT_TRUE(zip.ZipFiles()) << zip.Problem().toStdString();
    const char* read = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(sorted(z.namelist()), z.read('a.txt').decode(), z.read('keep.txt').decode(),
      z.comment.decode(), z.testzip())
)";
    EXPECT_EQ(RunTool("python3", {"-c", read, PathText(archive)}),
              "['a.txt', 'keep.txt'] new a kept as it was their comment None\n");
}
