// Moving files into zip archives and restoring them, on trees in temporary folders.
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipAdd.h"
#include "core/archive/ZipArchiver.h"
#include <QDir>
#include <QTemporaryDir>
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
    // Names that are not UTF-8 are beyond QDir's removal.
    void TearDown() override { std::filesystem::remove_all(root); }
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
    EXPECT_EQ(RestoreTarget("Archived_files_c_1.zip"), "/");
    EXPECT_EQ(RestoreTarget(data + "/Archived_files_"), "");
    EXPECT_EQ(RestoreTarget("/x/Archived_files_R_1.zip/other.zip"), "");

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

    // A second restore leaves existing files alone and still counts them.
    Write(data + "/a.txt", "changed since");
    ZipArchiver zip(&ui);
    zip.ArchiveName = archive;
    EXPECT_TRUE(zip.ExtractArchive("/"));
    EXPECT_EQ(zip.SuccessCount(), 6);
    EXPECT_EQ(Read(data + "/a.txt"), "changed since");
}

TEST_F(ArchiveTest, FailedAddKeepsEverySourceAndLeavesNoArchive) {
    RecordingUi ui;
    std::vector<char> handled;
    QString problem;
    // A file that cannot be read, listed after others that can.
    const std::string archive = NextArchiveName(data);
    EXPECT_FALSE(MoveFilesToArchive(archive, {data + "/a.txt", data + "/sub", UnreadableFile(root)},
                                    &ui, &handled, &problem));
    EXPECT_EQ(handled, std::vector<char>(3, 0));
    EXPECT_FALSE(problem.isEmpty());
    EXPECT_TRUE(LeftOvers(data).empty());
    EXPECT_EQ(Read(data + "/a.txt"), "alpha");
    EXPECT_EQ(LinkTarget(data + "/sub/link"), "../a.txt");
    EXPECT_EQ(ui.closed, ui.opened);

    // An archive folder that takes no files: the engine's error, every source kept.
    const std::string blocked = ReadOnlyFolder(root);
    EXPECT_FALSE(MoveFilesToArchive(blocked + "/Archived_files_R_1.zip", {data + "/a.txt"}, &ui,
                                    &handled, &problem));
    EXPECT_EQ(ui.errors, QStringList{kAddError});
    EXPECT_FALSE(Exists(blocked + "/Archived_files_R_1.zip"));
    EXPECT_EQ(Read(data + "/a.txt"), "alpha");

    // An interrupt while it is written: the same.
    ArchiveInterrupt() = true;
    EXPECT_FALSE(MoveFilesToArchive(archive, {data + "/a.txt"}, &ui, &handled, &problem));
    ArchiveInterrupt() = false;
    EXPECT_EQ(problem, "interrupted");
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
