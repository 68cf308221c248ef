// Moving files into zip archives and restoring them, on trees in temporary folders.
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipAdd.h"
#include "core/archive/ZipArchiver.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

std::string Bytes(const QString& s) {
    return PathBytes(s);
}

void Write(const std::string& path, const std::string& data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, data.data(), data.size()), ssize_t(data.size()));
    ::close(fd);
}

std::string Read(const std::string& path) {
    std::string data;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0) return "<missing>";
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        data.append(buf, std::size_t(n));
    ::close(fd);
    return data;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string LinkTarget(const std::string& path) {
    char buf[4096];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, std::size_t(n));
}

// Entry names of an archive, with how often each occurs.
std::map<std::string, int> Entries(const std::string& archive) {
    std::map<std::string, int> names;
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &err);
    if (!za) return names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
        ++names[zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_RAW)];
    zip_discard(za);
    return names;
}

// Records what the window would show.
class RecordingUi : public IArchiveUi {
public:
    void OpenProgress(int max) override {
        ++opened;
        this->max = max;
    }
    void StepProgress() override { ++steps; }
    void CloseProgress() override { ++closed; }
    void ShowEngineError(const QString& text) override { errors << text; }
    int opened = 0, closed = 0, max = -1, steps = 0;
    QStringList errors;
};

// A file that lists but does not read, also for root.
std::string UnreadableFile(const std::string& folder) {
    if (::geteuid() == 0) return "/proc/self/mem";
    const std::string p = folder + "/locked.txt";
    Write(p, "secret");
    ::chmod(p.c_str(), 0);
    return p;
}

// A folder in which no file can be made, also for root.
std::string ReadOnlyFolder(const std::string& folder) {
    if (::geteuid() == 0) return "/proc";
    const std::string p = folder + "/readonly";
    ::mkdir(p.c_str(), 0555);
    return p;
}

std::vector<std::string> LeftOvers(const std::string& folder) {
    std::vector<std::string> names;
    for (const QString& n : QDir(PathText(folder)).entryList(QDir::Files | QDir::Hidden))
        if (n.endsWith(".part") || n.startsWith("Archived_files_")) names.push_back(Bytes(n));
    return names;
}

// Makes folders below base until the path passes PATH_MAX, with a file in the
// last; returns the file's path.
std::string DeepFile(const std::string& base, const std::string& text) {
    std::string path = base;
    int dir = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string part(200, 'd');
    while (path.size() <= PATH_MAX) {
        ::mkdirat(dir, part.c_str(), 0755);
        const int next = ::openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(dir);
        dir = next;
        path += "/" + part;
    }
    const int fd = ::openat(dir, "deep.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(::write(fd, text.data(), text.size()), ssize_t(text.size()));
    ::close(fd);
    ::close(dir);
    return path + "/deep.txt";
}

// The contents of a file at any depth, opened folder by folder.
std::string ReadDeep(const std::string& path) {
    int dir = ::open("/", O_RDONLY | O_DIRECTORY);
    std::size_t pos = 1;
    for (std::size_t end; dir >= 0 && (end = path.find('/', pos)) != std::string::npos;
         pos = end + 1) {
        const int next = ::openat(dir, path.substr(pos, end - pos).c_str(), O_RDONLY | O_DIRECTORY);
        ::close(dir);
        dir = next;
    }
    const int fd = dir < 0 ? -1 : ::openat(dir, path.substr(pos).c_str(), O_RDONLY);
    if (dir >= 0) ::close(dir);
    if (fd < 0) return "<missing>";
    std::string data(4096, '\0');
    data.resize(std::size_t(std::max<ssize_t>(::read(fd, data.data(), data.size()), 0)));
    ::close(fd);
    return data;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        // Real path: entries are stored through the real folders.
        root = Bytes(QDir(tmp.path()).canonicalPath());
        data = root + "/data";
        ASSERT_EQ(::mkdir(data.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((data + "/sub").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((data + "/empty").c_str(), 0755), 0);
        Write(data + "/a.txt", "alpha");
        std::string big(300000, '\0');
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = char((i * 7919) >> 3);
        Write(data + "/sub/big.bin", big);
        Write(data + "/sub/n\xe9.txt", "latin-1 name");
        ASSERT_EQ(::symlink("../a.txt", (data + "/sub/link").c_str()), 0);
        const timespec times[2] = {{1500000000, 111111100}, {1600000000, 222222200}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (data + "/a.txt").c_str(), times, 0), 0);
    }
    // Names that are not UTF-8 are beyond QDir's removal, deep folders beyond
    // std::filesystem's.
    void TearDown() override { QProcess::execute("rm", {"-rf", PathText(root)}); }
    std::string Stored(const std::string& path) const { return path.substr(1); }

    QTemporaryDir tmp;
    std::string root, data;
};

} // namespace

TEST_F(ArchiveTest, NamesNumberingAndCheckedPaths) {
    EXPECT_EQ(NextArchiveName(data), data + "/Archived_files_R_1.zip");
    Write(data + "/Archived_files_R_1.zip", "x");
    Write(data + "/Archived_files_R_2.zip", "x");
    EXPECT_EQ(NextArchiveName(data + "/"), data + "/Archived_files_R_3.zip");
    ::unlink((data + "/Archived_files_R_1.zip").c_str());
    EXPECT_EQ(NextArchiveName(data), data + "/Archived_files_R_1.zip"); // a freed number again
    EXPECT_EQ(NextArchiveName(data + "/missing"), "");
    EXPECT_EQ(NextArchiveName(data + "/a.txt"), "");

    EXPECT_EQ(RestoreTarget(data + "/Archived_files_R_7.zip"), "/");
    EXPECT_EQ(RestoreTarget("Archived_files_R_10.zip"), "/");
    // Only the names the move commands give.
    for (const char* other :
         {"/x/Archived_files_R_1.zip/other.zip", "Archived_files_", "Archived_files_anything.zip",
          "Archived_files_c_1.zip", "Archived_files_R_.zip", "Archived_files_R_01.zip",
          "Archived_files_R_1a.zip", "Archived_files_R_1.zip.bak"})
        EXPECT_EQ(RestoreTarget(other), "") << other;

    FileRowTable rows;
    for (const char* p : {"/a/one", "/a/two", "/a/three"})
        rows.Append(p, "1");
    rows.SetChecked(0, true);
    rows.SetChecked(1, true);
    std::vector<std::string> paths{"/before"};
    EXPECT_EQ(CollectCheckedPaths(rows, paths), 2);
    EXPECT_EQ(paths, (std::vector<std::string>{"/before", "/a/one", "/a/two"}));
    FileRowTable plain(false); // a plain row's caption is its path
    plain.Append("/a/four");
    plain.SetChecked(0, true);
    EXPECT_EQ(CollectCheckedPaths(plain, paths), 1);
    EXPECT_EQ(paths.back(), "/a/four");
}

TEST_F(ArchiveTest, MoveStoresEachFileOnceThenRestoreGivesBackBytesTimesAndLinks) {
    const std::string big = Read(data + "/sub/big.bin");
    const std::string archive = NextArchiveName(data);
    // The folder and files inside it, and one file twice: each stored once.
    const std::vector<std::string> files{data + "/sub", data + "/a.txt", data + "/sub/big.bin",
                                         data + "/a.txt", data + "/empty"};
    RecordingUi ui;
    std::vector<char> handled;
    QString problem;
    ASSERT_TRUE(MoveFilesToArchive(archive, files, &ui, &handled, &problem))
        << problem.toStdString();
    EXPECT_EQ(handled, std::vector<char>(files.size(), 1));
    EXPECT_EQ(ui.opened, 1);
    EXPECT_EQ(ui.closed, 1);
    EXPECT_EQ(ui.max, int(files.size()));
    EXPECT_EQ(ui.steps, 3); // one per file read: a.txt, big.bin, n\xe9.txt
    EXPECT_TRUE(ui.errors.isEmpty());

    const std::map<std::string, int> expected{
        {Stored(data) + "/a.txt", 1},       {Stored(data) + "/sub/", 1},
        {Stored(data) + "/sub/big.bin", 1}, {Stored(data) + "/sub/n\xe9.txt", 1},
        {Stored(data) + "/sub/link", 1},    {Stored(data) + "/empty/", 1}};
    EXPECT_EQ(Entries(archive), expected);
    // Sources gone, folders stay, no temporary left.
    EXPECT_FALSE(Exists(data + "/a.txt"));
    EXPECT_FALSE(Exists(data + "/sub/link"));
    EXPECT_FALSE(Exists(data + "/sub/n\xe9.txt"));
    EXPECT_TRUE(Exists(data + "/sub") && Exists(data + "/empty"));
    EXPECT_EQ(LeftOvers(data), std::vector<std::string>{"Archived_files_R_1.zip"});

    // Restore below the root puts everything back where it was.
    ASSERT_TRUE(RestoreArchive(archive, RestoreTarget(archive), &ui, &problem))
        << problem.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat((data + "/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 222222200);
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(Read(data + "/a.txt"), "alpha");
    EXPECT_EQ(Read(data + "/sub/big.bin"), big);
    EXPECT_EQ(Read(data + "/sub/n\xe9.txt"), "latin-1 name");
    EXPECT_EQ(LinkTarget(data + "/sub/link"), "../a.txt");

    // A second restore leaves existing files alone: the same ones count as
    // restored, one that differs is listed and fails the restore.
    Write(data + "/a.txt", "changed since");
    ZipArchiver zip(&ui);
    zip.ArchiveName = archive;
    EXPECT_FALSE(zip.ExtractArchive("/"));
    EXPECT_EQ(zip.SuccessCount(), 5);
    EXPECT_EQ(zip.Failures(),
              QStringList{PathText(data) + "/a.txt: kept the file there, which differs from the "
                                           "archive's"});
    EXPECT_EQ(Read(data + "/a.txt"), "changed since");
}

TEST_F(ArchiveTest, UnreadableAndDeepFilesLeaveTheRestToMove) {
    // A file that cannot be read stays where it is and is named; the rest
    // moves, a file below a path longer than PATH_MAX too.
    const std::string locked = UnreadableFile(root);
    const std::string deep = DeepFile(data, "deep");
    const std::string archive = NextArchiveName(data);
    RecordingUi ui;
    std::vector<char> handled;
    ArchiveDetails details;
    EXPECT_FALSE(MoveFilesToArchive(archive, {data + "/a.txt", locked, deep, data + "/sub"}, &ui,
                                    &handled, nullptr, &details));
    EXPECT_EQ(handled, (std::vector<char>{1, 0, 1, 1}));
    ASSERT_EQ(details.failures.size(), 1);
    EXPECT_TRUE(details.failures[0].startsWith("cannot read " + PathText(locked) + ": "))
        << details.failures[0].toStdString();
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_TRUE(Exists(locked));
    EXPECT_FALSE(Exists(data + "/a.txt"));
    EXPECT_EQ(ReadDeep(deep), "<missing>");
    ASSERT_TRUE(RestoreArchive(archive, "/", &ui));
    EXPECT_EQ(ReadDeep(deep), "deep");

    // The whole folder, walked down past PATH_MAX.
    ::unlink(archive.c_str());
    ASSERT_TRUE(MoveFilesToArchive(archive, {data}, &ui, &handled, nullptr, &details))
        << details.failures.join('\n').toStdString();
    EXPECT_EQ(ReadDeep(deep), "<missing>");
    EXPECT_EQ(Entries(archive).count(Stored(deep)), 1u);
    ASSERT_TRUE(RestoreArchive(archive, "/", &ui));
    EXPECT_EQ(ReadDeep(deep), "deep");
    EXPECT_EQ(Read(data + "/sub/big.bin").size(), 300000u);
}

TEST_F(ArchiveTest, ScratchFilesOfGoneRunsAreRemovedAndNeverStored) {
    QProcess gone;
    gone.start("true");
    ASSERT_TRUE(gone.waitForStarted());
    const std::string pid = std::to_string(gone.processId());
    gone.waitForFinished();
    const std::string stale = data + "/.Archived_files_R_1.zip." + pid + "-0.part";
    const std::string staleOfLibzip = stale + ".Xy12Ab";
    const std::string staleBelow = data + "/sub/.Archived_files_R_4.zip." + pid + "-1.part";
    const std::string running =
        data + "/.Archived_files_R_2.zip." + std::to_string(::getpid()) + "-0.part";
    for (const std::string& p : {stale, staleOfLibzip, staleBelow, running})
        Write(p, "half an archive");
    const std::string archive = NextArchiveName(data);
    ASSERT_TRUE(MoveFilesToArchive(archive, {data, running}, nullptr));
    EXPECT_FALSE(Exists(stale) || Exists(staleOfLibzip) || Exists(staleBelow));
    EXPECT_EQ(Read(running), "half an archive"); // its run may still be writing it
    for (const auto& [name, count] : Entries(archive))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    EXPECT_EQ(Entries(archive).count(Stored(data) + "/a.txt"), 1u);
}

TEST_F(ArchiveTest, FailedAddKeepsEverySourceAndLeavesNoArchive) {
    RecordingUi ui;
    std::vector<char> handled;
    QString problem;
    const std::string archive = NextArchiveName(data);

    // An archive folder that takes no files: the engine's error, every source kept.
    const std::string blocked = ReadOnlyFolder(root);
    EXPECT_FALSE(MoveFilesToArchive(blocked + "/Archived_files_R_1.zip", {data + "/a.txt"}, &ui,
                                    &handled, &problem));
    EXPECT_EQ(ui.errors, QStringList{kAddError});
    EXPECT_FALSE(Exists(blocked + "/Archived_files_R_1.zip"));
    EXPECT_EQ(Read(data + "/a.txt"), "alpha");

    // An interrupt while it is written: the same.
    ArchiveInterrupt() = true;
    ArchiveDetails details;
    EXPECT_FALSE(MoveFilesToArchive(archive, {data + "/a.txt"}, &ui, &handled, &problem, &details));
    ArchiveInterrupt() = false;
    EXPECT_EQ(problem, "interrupted");
    EXPECT_TRUE(details.interrupted);
    EXPECT_TRUE(LeftOvers(data).empty());
    EXPECT_EQ(Read(data + "/a.txt"), "alpha");

    // No name (the search failed) or nothing listed: failure, nothing started.
    const int opened = ui.opened;
    ZipArchiver zip(&ui);
    zip.SetFilesToZip({data + "/a.txt"});
    EXPECT_FALSE(zip.ZipFiles());
    zip.ArchiveName = archive;
    zip.SetFilesToZip({});
    EXPECT_FALSE(zip.ZipFiles());
    EXPECT_EQ(ui.opened, opened);
}

TEST_F(ArchiveTest, PipesStayWhileTheRestMovesAndAnExistingArchiveGrows) {
    ASSERT_EQ(::mkfifo((data + "/pipe").c_str(), 0644), 0);
    std::vector<char> handled;
    const std::string archive = NextArchiveName(data);
    EXPECT_FALSE(MoveFilesToArchive(archive, {data + "/a.txt", data + "/pipe"}, nullptr, &handled));
    EXPECT_EQ(handled, (std::vector<char>{1, 0}));
    EXPECT_FALSE(Exists(data + "/a.txt"));
    EXPECT_TRUE(Exists(data + "/pipe"));
    EXPECT_EQ(Entries(archive).size(), 1u);

    // Adding without Move to an archive that exists keeps its entries and the source.
    ZipArchiver zip;
    zip.ArchiveName = archive;
    zip.SaveFullPath = true;
    zip.SetFilesToZip({data + "/sub/big.bin"});
    EXPECT_TRUE(zip.ZipFiles());
    EXPECT_EQ(Entries(archive), (std::map<std::string, int>{{Stored(data) + "/a.txt", 1},
                                                            {Stored(data) + "/sub/big.bin", 1}}));
    EXPECT_TRUE(Exists(data + "/sub/big.bin"));
    EXPECT_EQ(LeftOvers(data), std::vector<std::string>{"Archived_files_R_1.zip"});
}

TEST_F(ArchiveTest, HostileArchiveWritesNothingOutsideItsTarget) {
    const std::string target = root + "/target";
    const std::string outside = root + "/outside";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(outside.c_str(), (target + "/there").c_str()), 0);
    const std::string archive = root + "/Archived_files_R_1.zip";
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_CREATE | ZIP_EXCL, &err);
    ASSERT_NE(za, nullptr);
    auto add = [&](const std::string& name, const char* text, mode_t mode = S_IFREG | 0644) {
        zip_source_t* s = zip_source_buffer(za, text, std::strlen(text), 0);
        const zip_int64_t i = zip_file_add(za, name.c_str(), s, 0);
        ASSERT_GE(i, 0) << name;
        zip_file_set_external_attributes(za, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX,
                                         zip_uint32_t(mode) << 16);
    };
    add(outside + "/absolute", "x");
    add("../escaped", "x");
    add("ok/../../escaped2", "x");
    add("there/through-link", "x"); // a link that was there before
    add("lnk", outside.c_str(), S_IFLNK | 0777);
    add("lnk/through-own-link", "x"); // a link the archive made itself
    add("there", "over the link");
    add("ok/sound.txt", "sound");
    ASSERT_EQ(zip_close(za), 0);

    RecordingUi ui;
    ZipArchiver zip(&ui);
    zip.ArchiveName = archive;
    EXPECT_FALSE(zip.ExtractArchive(target));
    EXPECT_EQ(zip.SuccessCount(), 2); // lnk and ok/sound.txt
    EXPECT_EQ(ui.max, 8);
    EXPECT_EQ(ui.steps, 8);
    EXPECT_TRUE(std::filesystem::is_empty(outside))
        << std::filesystem::directory_iterator(outside)->path();
    EXPECT_FALSE(Exists(root + "/escaped") || Exists(root + "/escaped2"));
    EXPECT_EQ(Read(target + "/ok/sound.txt"), "sound");
    EXPECT_EQ(LinkTarget(target + "/lnk"), outside);
    EXPECT_EQ(LinkTarget(target + "/there"), outside);

    // An archive that cannot be read is no success, though it has no entries.
    Write(root + "/Archived_files_R_2.zip", "not a zip");
    zip.ArchiveName = root + "/Archived_files_R_2.zip";
    EXPECT_FALSE(zip.ExtractArchive(target));
    EXPECT_EQ(ui.errors, QStringList{kExtractError});
}

TEST_F(ArchiveTest, RestoreNamesEachFaultAndTakesEntriesWithoutFileType) {
    // Written by hand: entries whose mode has no file type (as many writers
    // leave it), and entries that lie about their CRC, their size or their data.
    const char* script = R"(
import struct, sys, zlib
path, prefix = sys.argv[1], sys.argv[2].encode()
def entry(name, data, mode=0o600, deflate=False, crc=None, size=None, cut=0):
    packed = zlib.compress(data, 9)[2:-4] if deflate else data
    packed = packed[:len(packed) - cut]
    crc = zlib.crc32(data) if crc is None else crc
    return prefix + name, packed, 8 if deflate else 0, crc, len(data) if size is None else size, mode
entries = [
    entry(b'typeless.txt', b'plain'),
    entry(b'typeless-dir/', b'', 0o755),
    entry(b'crc.txt', b'crc data', crc=1234),
    entry(b'short.txt', b'short data', size=15),
    entry(b'long.txt', b'x' * 100000, deflate=True, size=10),
    entry(b'cut.txt', bytes(range(256)) * 400, deflate=True, cut=200),
    entry(b'huge.bin', b'h', size=1 << 50),
]
out, central = bytearray(), bytearray()
for name, packed, method, crc, size, mode in entries:
    big = size >= 0xFFFFFFFF
    extra = struct.pack('<HHQQ', 1, 16, size, len(packed)) if big else b''
    sizes = (0xFFFFFFFF, 0xFFFFFFFF) if big else (len(packed), size)
    head = struct.pack('<HHHHHIIIHH', 45 if big else 20, 0, method, 0, 0x5021, crc, *sizes,
                       len(name), len(extra))
    central += b'PK\x01\x02' + struct.pack('<H', 0x0314) + head + \
        struct.pack('<HHHII', 0, 0, 0, mode << 16, len(out)) + name + extra
    out += b'PK\x03\x04' + head + name + extra + packed
end = struct.pack('<HHHHIIH', 0, 0, len(entries), len(entries), len(central), len(out), 0)
open(path, 'wb').write(out + central + b'PK\x05\x06' + end)
)";
    const std::string target = root + "/target";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    const std::string archive = root + "/Archived_files_R_1.zip";
    ASSERT_EQ(QProcess::execute("python3", {"-c", script, PathText(archive), "restored/"}), 0);
    // One more, encrypted with another password than the program's. The old
    // scheme checks a password by one random byte, so 1 in 256 headers take the
    // wrong one: add the entry again until the program's password is refused.
    bool refused = false;
    for (int attempt = 0; attempt < 20 && !refused; ++attempt) {
        int err = 0;
        zip_t* za = zip_open(archive.c_str(), 0, &err);
        ASSERT_NE(za, nullptr);
        zip_source_t* s = zip_source_buffer(za, "secret", 6, 0);
        const zip_int64_t i = zip_file_add(za, "restored/locked.txt", s, ZIP_FL_OVERWRITE);
        ASSERT_GE(i, 0);
        ASSERT_EQ(zip_file_set_encryption(za, zip_uint64_t(i), ZIP_EM_TRAD_PKWARE, "other"), 0);
        ASSERT_EQ(zip_close(za), 0);
        za = zip_open(archive.c_str(), ZIP_RDONLY, &err);
        ASSERT_NE(za, nullptr);
        zip_file_t* f = zip_fopen_encrypted(za, "restored/locked.txt", 0, "mvx4");
        refused = f == nullptr;
        if (f) zip_fclose(f);
        zip_discard(za);
    }
    ASSERT_TRUE(refused);

    ZipArchiver zip;
    zip.ArchiveName = archive;
    EXPECT_FALSE(zip.ExtractArchive(target));
    const QString at = PathText(target) + "/restored/";
    QStringList failures = zip.Failures();
    ASSERT_EQ(failures.size(), 6) << failures.join('\n').toStdString();
    EXPECT_TRUE(failures.takeAt(4).startsWith(at + "huge.bin: refused, its size "
                                                   "(1125899906842624 bytes) is more than the "
                                                   "free space there ("));
    EXPECT_EQ(failures, (QStringList{at + "crc.txt: its data does not match its CRC",
                                     at + "short.txt: its data is not of its declared size",
                                     at + "long.txt: its data is longer than its declared size",
                                     at + "cut.txt: its data is cut short",
                                     at + "locked.txt: the password is wrong"}));
    EXPECT_EQ(zip.SuccessCount(), 2);
    struct stat st {};
    ASSERT_EQ(::stat((target + "/restored/typeless.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, S_IFREG | 0600);
    EXPECT_EQ(Read(target + "/restored/typeless.txt"), "plain");
    EXPECT_TRUE(std::filesystem::is_directory(target + "/restored/typeless-dir"));
    // Nothing of the failed entries, and no scratch file, is left.
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(target + "/restored"))
        left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"typeless-dir", "typeless.txt"}));
}

TEST_F(ArchiveTest, FileThatChangesWhileItIsStoredStaysWhileTheRestMoves) {
    // The progress step after the first file grows the second before it is read.
    class GrowingUi : public RecordingUi {
    public:
        std::string grow;
        void StepProgress() override {
            if (steps++ == 0) Write(grow, "grown since it was listed");
        }
    } ui;
    ui.grow = data + "/sub/big.bin";
    const std::string archive = NextArchiveName(data);
    std::vector<char> handled;
    ArchiveDetails details;
    EXPECT_FALSE(MoveFilesToArchive(archive, {data + "/a.txt", ui.grow, data + "/sub/link"}, &ui,
                                    &handled, nullptr, &details));
    EXPECT_EQ(handled, (std::vector<char>{1, 0, 1}));
    EXPECT_EQ(details.failures, QStringList{PathText(ui.grow) + " changed while it was stored"});
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(Read(ui.grow), "grown since it was listed");
    EXPECT_EQ(Entries(archive), (std::map<std::string, int>{{Stored(data) + "/a.txt", 1},
                                                            {Stored(data) + "/sub/link", 1}}));
    EXPECT_FALSE(Exists(data + "/a.txt") || Exists(data + "/sub/link"));
}

TEST_F(ArchiveTest, NameLongerThanAZipHoldsStaysWhileTheRestMoves) {
    // Folders of 200 bytes until the path passes the 65,535 bytes of a zip name.
    std::string deep = data;
    int dir = ::open(data.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string part(200, 'd');
    while (deep.size() <= 0xFFFF) {
        ::mkdirat(dir, part.c_str(), 0755);
        const int next = ::openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(dir);
        dir = next;
        deep += "/" + part;
    }
    const int fd = ::openat(dir, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, "deep", 4), 4);
    ::close(fd);
    ::close(dir);
    deep += "/deep.txt";
    const std::string archive = NextArchiveName(data);
    std::vector<char> handled;
    ArchiveDetails details;
    EXPECT_FALSE(
        MoveFilesToArchive(archive, {deep, data + "/a.txt"}, nullptr, &handled, nullptr, &details));
    EXPECT_EQ(handled, (std::vector<char>{0, 1}));
    EXPECT_EQ(details.failures,
              QStringList{PathText(deep) + ": its name is longer than a zip archive holds"});
    EXPECT_EQ(ReadDeep(deep), "deep");
    EXPECT_EQ(Entries(archive), (std::map<std::string, int>{{Stored(data) + "/a.txt", 1}}));
}
