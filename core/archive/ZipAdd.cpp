#include "core/archive/ZipAdd.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipTimes.h"
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <zip.h>
#include <zlib.h>

namespace {

QString Why(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

const QString kSpecialFilesKept =
    QStringLiteral("devices, pipes and sockets cannot go into an archive and were kept");

QString Quoted(const std::string& path) {
    return PathText(path);
}

struct Entry {
    enum Kind { File, Link, Folder } kind = File;
    std::string source;
    std::string name;
    struct stat st {};
    std::string linkTarget;
    // Filled while the archive is written.
    uLong crc = 0;
    std::uint64_t bytesRead = 0;
    bool read = false;
    bool removed = false;
};

struct Plan {
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> byName;
    std::vector<std::vector<std::size_t>> itemEntries;
    std::vector<char> itemIncomplete;
    dev_t skipDev = 0;
    ino_t skipIno = 0;
    bool haveSkip = false;
    // Folders on the current descent: one met again (a bind mount below
    // itself) is not entered a second time.
    std::vector<std::pair<dev_t, ino_t>> descent;
    QString problem; // set: the plan cannot be carried out
};

std::string TrimSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

std::string BaseName(const std::string& p) {
    const std::size_t s = p.rfind('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

// The full path less the root, through the real folders: a folder reached by a
// link is stored where it really is, so a restore never has to pass a link.
bool FullEntryName(const std::string& path, std::string& name) {
    const std::size_t s = path.rfind('/');
    std::string parent = s == std::string::npos ? "." : (s == 0 ? "/" : path.substr(0, s));
    char resolved[PATH_MAX];
    if (!::realpath(parent.c_str(), resolved)) return false;
    std::string full = resolved;
    if (full.back() != '/') full += '/';
    full += BaseName(path);
    std::size_t start = full.find_first_not_of('/');
    name = start == std::string::npos ? std::string() : full.substr(start);
    return true;
}

void AddPath(Plan& plan, std::size_t item, const std::string& path, const std::string& name,
             const struct stat& st, bool recurse);

void AddFolderContents(Plan& plan, std::size_t item, const std::string& path,
                       const std::string& name) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        plan.problem = QStringLiteral("cannot read the folder %1: %2").arg(Quoted(path), Why(err));
        return;
    }
    // Read the folder whole and close it before going down, so depth costs no
    // open handles.
    std::vector<std::pair<std::string, struct stat>> children;
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
        struct stat cst {};
        if (::fstatat(::dirfd(dir), d->d_name, &cst, AT_SYMLINK_NOFOLLOW) != 0) {
            plan.problem = QStringLiteral("cannot read %1: %2")
                               .arg(Quoted(path + "/" + d->d_name), Why(errno));
            break;
        }
        children.emplace_back(d->d_name, cst);
        errno = 0;
    }
    if (errno != 0 && plan.problem.isEmpty())
        plan.problem =
            QStringLiteral("cannot read the folder %1: %2").arg(Quoted(path), Why(errno));
    ::closedir(dir);
    const std::string prefix = path == "/" ? "/" : path + "/";
    const std::string namePrefix = name.empty() ? std::string() : name + "/";
    for (const auto& [child, cst] : children) {
        if (!plan.problem.isEmpty()) return;
        AddPath(plan, item, prefix + child, namePrefix + child, cst, true);
    }
}

void AddPath(Plan& plan, std::size_t item, const std::string& path, const std::string& name,
             const struct stat& st, bool recurse) {
    if (plan.haveSkip && st.st_dev == plan.skipDev && st.st_ino == plan.skipIno) return;
    Entry e;
    e.source = path;
    e.name = name;
    e.st = st;
    if (S_ISDIR(st.st_mode)) {
        e.kind = Entry::Folder;
        e.name += '/';
    } else if (S_ISLNK(st.st_mode)) {
        e.kind = Entry::Link;
        std::string target(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || std::size_t(n) >= target.size()) {
            plan.problem = QStringLiteral("cannot read the link %1: %2")
                               .arg(Quoted(path), Why(n < 0 ? errno : ENAMETOOLONG));
            return;
        }
        target.resize(std::size_t(n));
        e.linkTarget = std::move(target);
    } else if (!S_ISREG(st.st_mode)) {
        // Devices, pipes and sockets have no contents to store: left where they are.
        plan.itemIncomplete[item] = 1;
        return;
    }
    if (e.name.empty() || e.name == "/") {
        // The root itself has no entry of its own.
    } else if (auto it = plan.byName.find(e.name); it != plan.byName.end()) {
        const Entry& known = plan.entries[it->second];
        if (known.st.st_dev != st.st_dev || known.st.st_ino != st.st_ino)
            plan.itemIncomplete[item] = 1; // another file under the same name
        else
            plan.itemEntries[item].push_back(it->second);
    } else {
        plan.byName.emplace(e.name, plan.entries.size());
        plan.itemEntries[item].push_back(plan.entries.size());
        plan.entries.push_back(std::move(e));
    }
    if (!S_ISDIR(st.st_mode) || !recurse) return;
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (std::find(plan.descent.begin(), plan.descent.end(), id) != plan.descent.end()) return;
    plan.descent.push_back(id);
    AddFolderContents(plan, item, path, name);
    plan.descent.pop_back();
}

Plan MakePlan(const AddJob& job) {
    Plan plan;
    plan.itemEntries.resize(job.paths.size());
    plan.itemIncomplete.assign(job.paths.size(), 0);
    struct stat ast {};
    if (::stat(job.archive.c_str(), &ast) == 0) {
        plan.haveSkip = true;
        plan.skipDev = ast.st_dev;
        plan.skipIno = ast.st_ino;
    }
    for (std::size_t i = 0; i < job.paths.size() && plan.problem.isEmpty(); ++i) {
        const std::string path = TrimSlashes(job.paths[i]);
        struct stat st {};
        if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
            plan.problem = QStringLiteral("cannot read %1: %2")
                               .arg(Quoted(path), Why(path.empty() ? ENOENT : errno));
            break;
        }
        std::string name;
        if (job.fullPath) {
            if (!FullEntryName(path, name)) {
                plan.problem =
                    QStringLiteral("cannot resolve %1: %2").arg(Quoted(path), Why(errno));
                break;
            }
        } else {
            name = BaseName(path);
        }
        AddPath(plan, i, path, name, st, job.recurse);
    }
    return plan;
}

// A source file read as the archive is written: opened without following a
// link, checked to be the file that was planned, its CRC taken on the way.
struct FileSource {
    Entry* entry = nullptr;
    const AddJob* job = nullptr;
    QString* problem = nullptr;
    int fd = -1;
    uLong crc = 0;
    std::uint64_t count = 0;
    zip_error_t error{};

    zip_int64_t Fail(int zipError, int sysError, const QString& what) {
        zip_error_set(&error, zipError, sysError);
        if (problem->isEmpty()) *problem = what;
        return -1;
    }

    static zip_int64_t Call(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        return static_cast<FileSource*>(self)->Run(data, len, cmd);
    }

    zip_int64_t Run(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_OPEN: {
            fd = ::open(entry->source.c_str(),
                        O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                return Fail(
                    ZIP_ER_OPEN, errno,
                    QStringLiteral("cannot read %1: %2").arg(Quoted(entry->source), Why(errno)));
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != entry->st.st_ino ||
                st.st_dev != entry->st.st_dev)
                return Fail(ZIP_ER_CHANGED, 0,
                            QStringLiteral("%1 was replaced while it was stored")
                                .arg(Quoted(entry->source)));
            crc = crc32(0, nullptr, 0);
            count = 0;
            return 0;
        }
        case ZIP_SOURCE_READ: {
            if (ArchiveInterrupt()) return Fail(ZIP_ER_INTERNAL, 0, QStringLiteral("interrupted"));
            ssize_t n;
            do
                n = ::read(fd, data, len);
            while (n < 0 && errno == EINTR);
            if (n < 0)
                return Fail(
                    ZIP_ER_READ, errno,
                    QStringLiteral("cannot read %1: %2").arg(Quoted(entry->source), Why(errno)));
            crc = crc32(crc, static_cast<const Bytef*>(data), uInt(n));
            count += std::uint64_t(n);
            return n;
        }
        case ZIP_SOURCE_CLOSE:
            if (fd >= 0) ::close(fd);
            fd = -1;
            entry->crc = crc;
            entry->bytesRead = count;
            entry->read = true;
            if (job->fileStored) job->fileStored();
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = zip_uint64_t(entry->st.st_size);
            st->mtime = entry->st.st_mtime;
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, len);
        case ZIP_SOURCE_FREE:
            if (fd >= 0) ::close(fd);
            fd = -1;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

QString ZipWhy(zip_t* za) {
    return QString::fromLocal8Bit(zip_strerror(za));
}

bool SetEntryInfo(zip_t* za, zip_int64_t index, const Entry& e) {
    const bool file = e.kind == Entry::File;
    if (zip_set_file_compression(za, zip_uint64_t(index), file ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                                 file ? 9 : 0) != 0)
        return false;
    if (zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                         zip_uint32_t(e.st.st_mode) << 16) != 0)
        return false;
    if (zip_file_set_mtime(za, zip_uint64_t(index), e.st.st_mtime, 0) != 0) return false;
    const std::vector<std::uint8_t> times = EncodeEntryTimes({e.st.st_mtim, e.st.st_atim});
    return zip_file_extra_field_set(za, zip_uint64_t(index), kNtfsTimesField, ZIP_EXTRA_FIELD_NEW,
                                    times.data(), zip_uint16_t(times.size()),
                                    ZIP_FL_LOCAL | ZIP_FL_CENTRAL) == 0;
}

// A name beside the archive that nothing uses yet.
std::string TemporaryName(const std::string& archive) {
    const std::size_t s = archive.rfind('/');
    const std::string folder = s == std::string::npos ? std::string() : archive.substr(0, s + 1);
    const std::string base = BaseName(archive);
    for (int n = 0;; ++n) {
        std::string t = folder + "." + base + "." + std::to_string(::getpid()) + "-" +
                        std::to_string(n) + ".part";
        struct stat st {};
        if (::lstat(t.c_str(), &st) != 0 && errno == ENOENT) return t;
    }
}

bool CopyFile(const std::string& from, const std::string& to, QString& problem) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        problem = QStringLiteral("cannot read %1: %2").arg(Quoted(from), Why(errno));
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    bool ok = out >= 0;
    char buf[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        ok = n > 0 && ::write(out, buf, std::size_t(n)) == n;
    }
    if (!ok) problem = QStringLiteral("cannot write %1: %2").arg(Quoted(to), Why(errno));
    ::close(in);
    if (out >= 0 && ::close(out) != 0) ok = false;
    return ok;
}

// Entries by their stored bytes: libzip's own lookup converts names that are
// not UTF-8 and would miss them.
std::unordered_map<std::string, zip_int64_t> RawNames(zip_t* za) {
    std::unordered_map<std::string, zip_int64_t> names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
        if (const char* n = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_RAW)) names[n] = i;
    return names;
}

// Every stored entry is there with the size and CRC of what was read, and its
// data reads back whole.
bool Verify(const std::string& path, const Plan& plan, QString& problem) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        problem = QStringLiteral("the archive does not read back: %1")
                      .arg(QString::fromLocal8Bit(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        return false;
    }
    const std::unordered_map<std::string, zip_int64_t> stored = RawNames(za);
    std::vector<char> buf(1 << 16);
    bool ok = true;
    for (const Entry& e : plan.entries) {
        const auto found = stored.find(e.name);
        const zip_int64_t index = found == stored.end() ? -1 : found->second;
        if (index < 0) {
            problem = QStringLiteral("%1 is missing from the archive").arg(Quoted(e.name));
            ok = false;
            break;
        }
        if (e.kind == Entry::Folder) continue;
        zip_stat_t st;
        const std::uint64_t expected =
            e.kind == Entry::File ? std::uint64_t(e.st.st_size) : e.linkTarget.size();
        if (zip_stat_index(za, zip_uint64_t(index), 0, &st) != 0 || !e.read ||
            e.bytesRead != expected || st.size != e.bytesRead || st.crc != e.crc) {
            problem = QStringLiteral("%1 changed while it was stored").arg(Quoted(e.source));
            ok = false;
            break;
        }
        zip_file_t* zf = zip_fopen_index(za, zip_uint64_t(index), 0);
        uLong crc = crc32(0, nullptr, 0);
        std::uint64_t count = 0;
        zip_int64_t n = zf ? 0 : -1;
        while (zf && (n = zip_fread(zf, buf.data(), buf.size())) > 0) {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buf.data()), uInt(n));
            count += std::uint64_t(n);
        }
        if (zf) zip_fclose(zf);
        if (n < 0 || count != e.bytesRead || crc != e.crc) {
            problem = QStringLiteral("%1 does not read back from the archive").arg(Quoted(e.name));
            ok = false;
            break;
        }
    }
    zip_discard(za);
    return ok;
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string FolderOf(const std::string& path) {
    const std::size_t s = path.rfind('/');
    if (s == std::string::npos) return ".";
    return s == 0 ? "/" : path.substr(0, s);
}

// Puts the verified archive in place; a new archive never replaces a file that
// appeared under its name meanwhile.
bool PutInPlace(const std::string& temp, const std::string& archive, bool replace,
                QString& problem) {
    int r = replace
                ? ::rename(temp.c_str(), archive.c_str())
                : ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, archive.c_str(), RENAME_NOREPLACE);
    if (r != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without that rename: a hard link does the same.
        r = ::link(temp.c_str(), archive.c_str());
        if (r == 0) ::unlink(temp.c_str());
    }
    if (r != 0) {
        problem = QStringLiteral("cannot write %1: %2").arg(Quoted(archive), Why(errno));
        return false;
    }
    SyncPath(FolderOf(archive), O_RDONLY | O_DIRECTORY);
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT);
}

} // namespace

std::atomic<bool>& ArchiveInterrupt() {
    static std::atomic<bool> interrupted{false};
    return interrupted;
}

AddOutcome AddToArchive(const AddJob& job) {
    AddOutcome out;
    out.handled.assign(job.paths.size(), 0);
    Plan plan = MakePlan(job);
    if (!plan.problem.isEmpty()) {
        out.problem = plan.problem;
        return out;
    }
    if (plan.entries.empty()) {
        // Nothing with contents to store: no archive.
        for (std::size_t i = 0; i < job.paths.size(); ++i)
            out.handled[i] = !plan.itemIncomplete[i];
        if (std::find(out.handled.begin(), out.handled.end(), 0) != out.handled.end())
            out.problem = kSpecialFilesKept;
        return out;
    }

    struct stat ast {};
    const bool existing = ::stat(job.archive.c_str(), &ast) == 0;
    const std::string temp = TemporaryName(job.archive);
    if (existing && !CopyFile(job.archive, temp, out.problem)) {
        ::unlink(temp.c_str());
        out.archiveFailed = true;
        return out;
    }
    int err = 0;
    zip_t* za = zip_open(temp.c_str(), existing ? 0 : ZIP_CREATE | ZIP_EXCL, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        out.problem =
            QStringLiteral("cannot write %1: %2")
                .arg(Quoted(job.archive), QString::fromLocal8Bit(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        if (existing) ::unlink(temp.c_str());
        out.archiveFailed = true;
        return out;
    }

    const std::unordered_map<std::string, zip_int64_t> present = RawNames(za);
    std::vector<std::unique_ptr<FileSource>> sources;
    QString sourceProblem;
    bool ok = true;
    for (Entry& e : plan.entries) {
        zip_int64_t index = -1;
        const zip_flags_t flags = ZIP_FL_ENC_GUESS | ZIP_FL_OVERWRITE;
        if (e.kind == Entry::Folder) {
            const auto found = present.find(e.name);
            index = found != present.end() ? found->second
                                           : zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_GUESS);
        } else {
            zip_source_t* src = nullptr;
            if (e.kind == Entry::Link) {
                src = zip_source_buffer(za, e.linkTarget.data(), e.linkTarget.size(), 0);
                e.crc =
                    crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(e.linkTarget.data()),
                          uInt(e.linkTarget.size()));
                e.bytesRead = e.linkTarget.size();
                e.read = true;
            } else {
                auto s = std::make_unique<FileSource>();
                s->entry = &e;
                s->job = &job;
                s->problem = &sourceProblem;
                zip_error_init(&s->error);
                src = zip_source_function(za, &FileSource::Call, s.get());
                sources.push_back(std::move(s));
            }
            if (src) {
                index = zip_file_add(za, e.name.c_str(), src, flags);
                if (index < 0) zip_source_free(src);
            }
        }
        if (index < 0 || !SetEntryInfo(za, index, e)) {
            out.problem = QStringLiteral("cannot add %1: %2").arg(Quoted(e.source), ZipWhy(za));
            ok = false;
            break;
        }
    }
    if (ok && zip_close(za) != 0) {
        ok = false;
        if (!sourceProblem.isEmpty()) {
            out.problem = sourceProblem;
        } else {
            out.problem =
                QStringLiteral("cannot write %1: %2").arg(Quoted(job.archive), ZipWhy(za));
            out.archiveFailed = true;
        }
    }
    if (!ok) {
        zip_discard(za);
        ::unlink(temp.c_str());
        return out;
    }
    if (!Verify(temp, plan, out.problem) || !SyncPath(temp, O_RDONLY)) {
        if (out.problem.isEmpty())
            out.problem =
                QStringLiteral("cannot write %1: %2").arg(Quoted(job.archive), Why(errno));
        ::unlink(temp.c_str());
        out.archiveFailed = true;
        return out;
    }
    if (ArchiveInterrupt()) {
        out.problem = QStringLiteral("interrupted");
        ::unlink(temp.c_str());
        return out;
    }
    if (!PutInPlace(temp, job.archive, existing, out.problem)) {
        ::unlink(temp.c_str());
        out.archiveFailed = true;
        return out;
    }

    if (job.move) {
        // The same file reached twice through a bind mount is gone after the first removal.
        std::vector<std::pair<dev_t, ino_t>> removed;
        for (Entry& e : plan.entries) {
            if (e.kind == Entry::Folder) continue; // folders emptied by the move stay
            struct stat now {};
            const std::pair<dev_t, ino_t> id{e.st.st_dev, e.st.st_ino};
            if (::lstat(e.source.c_str(), &now) != 0 && errno == ENOENT &&
                std::find(removed.begin(), removed.end(), id) != removed.end()) {
                e.removed = true;
                continue;
            }
            // A file changed since it was stored would lose that change.
            if (::lstat(e.source.c_str(), &now) != 0 || !SameFile(now, e.st)) {
                if (out.problem.isEmpty())
                    out.problem = QStringLiteral("%1 changed after it was stored and was kept")
                                      .arg(Quoted(e.source));
                continue;
            }
            if (::unlink(e.source.c_str()) == 0) {
                e.removed = true;
                removed.push_back(id);
            } else if (out.problem.isEmpty())
                out.problem =
                    QStringLiteral("cannot remove %1: %2").arg(Quoted(e.source), Why(errno));
        }
    }
    for (std::size_t i = 0; i < job.paths.size(); ++i) {
        bool done = !plan.itemIncomplete[i];
        for (std::size_t k : plan.itemEntries[i]) {
            const Entry& e = plan.entries[k];
            if (job.move && e.kind != Entry::Folder && !e.removed) done = false;
        }
        out.handled[i] = done;
    }
    if (out.problem.isEmpty() &&
        std::find(out.handled.begin(), out.handled.end(), 0) != out.handled.end())
        out.problem = kSpecialFilesKept;
    return out;
}
