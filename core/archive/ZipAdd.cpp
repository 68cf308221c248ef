#include "core/archive/ZipAdd.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/LongPath.h"
#include "core/archive/ZipAddPlan.h"
#include "core/archive/ZipTimes.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <zip.h>
#include <zlib.h>

namespace {

// A source file read as the archive is written: opened without following a
// link, checked to be the file that was planned, its CRC taken on the way.
struct FileSource {
    ArchiveEntry* entry = nullptr;
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
            const PathAt at(entry->source);
            fd = ::openat(at.dir(), at.name(),
                          O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                return Fail(ZIP_ER_OPEN, errno,
                            QStringLiteral("cannot read %1: %2")
                                .arg(PathForMessage(entry->source), SystemError(errno)));
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != entry->st.st_ino ||
                st.st_dev != entry->st.st_dev)
                return Fail(ZIP_ER_CHANGED, 0,
                            QStringLiteral("%1 was replaced while it was stored")
                                .arg(PathForMessage(entry->source)));
            crc = crc32(0, nullptr, 0);
            count = 0;
            return 0;
        }
        case ZIP_SOURCE_READ: {
            if (ArchiveInterrupt()) return Fail(ZIP_ER_INTERNAL, 0, kInterrupted);
            ssize_t n;
            do
                n = ::read(fd, data, len);
            while (n < 0 && errno == EINTR);
            if (n < 0)
                return Fail(ZIP_ER_READ, errno,
                            QStringLiteral("cannot read %1: %2")
                                .arg(PathForMessage(entry->source), SystemError(errno)));
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

QString ZipSystemError(zip_t* za) {
    return QString::fromLocal8Bit(zip_strerror(za));
}

bool SetEntryInfo(zip_t* za, zip_int64_t index, const ArchiveEntry& e) {
    const bool file = e.kind == ArchiveEntry::File;
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
        problem =
            QStringLiteral("cannot read %1: %2").arg(PathForMessage(from), SystemError(errno));
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    bool ok = out >= 0;
    char buf[1 << 16];
    while (ok && !ArchiveInterrupt()) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        ok = n > 0 && ::write(out, buf, std::size_t(n)) == n;
    }
    if (!ok)
        problem = QStringLiteral("cannot write %1: %2").arg(PathForMessage(to), SystemError(errno));
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
bool Verify(const std::string& path, const AddPlan& plan, QString& problem) {
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
    for (const ArchiveEntry& e : plan.entries) {
        if (ArchiveInterrupt()) {
            problem = kInterrupted;
            ok = false;
            break;
        }
        const auto found = stored.find(e.name);
        const zip_int64_t index = found == stored.end() ? -1 : found->second;
        if (index < 0) {
            problem = QStringLiteral("%1 is missing from the archive").arg(PathForMessage(e.name));
            ok = false;
            break;
        }
        if (e.kind == ArchiveEntry::Folder) continue;
        zip_stat_t st;
        const std::uint64_t expected =
            e.kind == ArchiveEntry::File ? std::uint64_t(e.st.st_size) : e.linkTarget.size();
        if (zip_stat_index(za, zip_uint64_t(index), 0, &st) != 0 || !e.read ||
            e.bytesRead != expected || st.size != e.bytesRead || st.crc != e.crc) {
            problem =
                QStringLiteral("%1 changed while it was stored").arg(PathForMessage(e.source));
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
            problem = QStringLiteral("%1 does not read back from the archive")
                          .arg(PathForMessage(e.name));
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
        problem =
            QStringLiteral("cannot write %1: %2").arg(PathForMessage(archive), SystemError(errno));
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

namespace {

// Writes the planned entries into a new archive (or a copy of the one there),
// reads it back and puts it in place. False, with the reason in out, when no
// archive was put in place; every source is still there then.
bool WriteArchive(const AddJob& job, AddPlan& plan, AddOutcome& out) {
    QString why;
    auto fail = [&](bool engine) {
        out.failures << why;
        out.interrupted = why == kInterrupted;
        out.archiveFailed = engine && !out.interrupted;
        return false;
    };
    struct stat ast {};
    const bool existing = ::stat(job.archive.c_str(), &ast) == 0;
    const std::string temp = TemporaryName(job.archive);
    // Removed here if the run ends on a second interrupt; libzip's own scratch
    // file beside it is left to the next run.
    const int folder = ::open(FolderOf(job.archive).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct Scratch {
        int folder;
        ~Scratch() {
            ClearScratchFile();
            if (folder >= 0) ::close(folder);
        }
    } scratch{folder};
    if (folder >= 0) SetScratchFile(folder, BaseName(temp).c_str());
    if (existing && (!CopyFile(job.archive, temp, why) || ArchiveInterrupt())) {
        ::unlink(temp.c_str());
        if (ArchiveInterrupt()) why = kInterrupted;
        return fail(true);
    }
    int err = 0;
    zip_t* za = zip_open(temp.c_str(), existing ? 0 : ZIP_CREATE | ZIP_EXCL, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        why =
            QStringLiteral("cannot write %1: %2")
                .arg(PathForMessage(job.archive), QString::fromLocal8Bit(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        if (existing) ::unlink(temp.c_str());
        return fail(true);
    }

    const std::unordered_map<std::string, zip_int64_t> present = RawNames(za);
    // One block for all: a reserved vector never moves what libzip points to.
    std::vector<FileSource> sources;
    sources.reserve(plan.entries.size());
    QString sourceProblem;
    bool ok = true;
    for (ArchiveEntry& e : plan.entries) {
        zip_int64_t index = -1;
        const zip_flags_t flags = ZIP_FL_ENC_GUESS | ZIP_FL_OVERWRITE;
        if (e.kind == ArchiveEntry::Folder) {
            const auto found = present.find(e.name);
            index = found != present.end() ? found->second
                                           : zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_GUESS);
        } else {
            zip_source_t* src = nullptr;
            if (e.kind == ArchiveEntry::Link) {
                src = zip_source_buffer(za, e.linkTarget.data(), e.linkTarget.size(), 0);
                e.crc =
                    crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(e.linkTarget.data()),
                          uInt(e.linkTarget.size()));
                e.bytesRead = e.linkTarget.size();
                e.read = true;
            } else {
                FileSource& s = sources.emplace_back();
                s.entry = &e;
                s.job = &job;
                s.problem = &sourceProblem;
                zip_error_init(&s.error);
                src = zip_source_function(za, &FileSource::Call, &s);
            }
            if (src) {
                index = zip_file_add(za, e.name.c_str(), src, flags);
                if (index < 0) zip_source_free(src);
            }
        }
        if (index < 0 || !SetEntryInfo(za, index, e)) {
            why = QStringLiteral("cannot add %1: %2")
                      .arg(PathForMessage(e.source), ZipSystemError(za));
            ok = false;
            break;
        }
    }
    bool engine = false;
    if (ok && zip_close(za) != 0) {
        ok = false;
        why = sourceProblem;
        if (why.isEmpty()) {
            why = QStringLiteral("cannot write %1: %2")
                      .arg(PathForMessage(job.archive), ZipSystemError(za));
            engine = true;
        }
    }
    if (!ok) {
        zip_discard(za);
        ::unlink(temp.c_str());
        return fail(engine);
    }
    if (!Verify(temp, plan, why) || !SyncPath(temp, O_RDONLY)) {
        if (why.isEmpty())
            why = QStringLiteral("cannot write %1: %2")
                      .arg(PathForMessage(job.archive), SystemError(errno));
        ::unlink(temp.c_str());
        return fail(true);
    }
    if (ArchiveInterrupt()) {
        why = kInterrupted;
        ::unlink(temp.c_str());
        return fail(false);
    }
    if (!PutInPlace(temp, job.archive, existing, why)) {
        ::unlink(temp.c_str());
        return fail(true);
    }
    return true;
}

// Removes each stored source that is still the file that was stored.
void RemoveSources(AddPlan& plan, AddOutcome& out) {
    // The same file reached twice through a bind mount is gone after the first removal.
    std::vector<std::pair<dev_t, ino_t>> removed;
    for (ArchiveEntry& e : plan.entries) {
        if (e.kind == ArchiveEntry::Folder) continue; // folders emptied by the move stay
        struct stat now {};
        const std::pair<dev_t, ino_t> id{e.st.st_dev, e.st.st_ino};
        const PathAt at(e.source);
        const bool there = ::fstatat(at.dir(), at.name(), &now, AT_SYMLINK_NOFOLLOW) == 0;
        if (!there && errno == ENOENT &&
            std::find(removed.begin(), removed.end(), id) != removed.end()) {
            e.removed = true;
            continue;
        }
        // A file changed since it was stored would lose that change.
        if (!there || !SameFile(now, e.st)) {
            out.failures << QStringLiteral("%1 changed after it was stored and was kept")
                                .arg(PathForMessage(e.source));
            continue;
        }
        if (::unlinkat(at.dir(), at.name(), 0) == 0) {
            e.removed = true;
            removed.push_back(id);
        } else {
            out.failures << QStringLiteral("cannot remove %1: %2")
                                .arg(PathForMessage(e.source), SystemError(errno));
        }
    }
}

} // namespace

AddOutcome AddToArchive(const AddJob& job) {
    AddOutcome out;
    out.handled.assign(job.paths.size(), 0);
    if (const int folder =
            ::open(FolderOf(job.archive).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        RemoveStaleScratch(folder);
        ::close(folder);
    }
    AddPlan plan = MakeAddPlan(job);
    out.failures = std::move(plan.failures);
    // With nothing that has contents to store, no archive is written.
    const bool written = plan.entries.empty() || WriteArchive(job, plan, out);
    if (written && job.move) RemoveSources(plan, out);
    for (std::size_t i = 0; written && i < job.paths.size(); ++i) {
        bool done = !plan.itemIncomplete[i];
        for (std::size_t k : plan.itemEntries[i]) {
            const ArchiveEntry& e = plan.entries[k];
            if (job.move && e.kind != ArchiveEntry::Folder && !e.removed) done = false;
        }
        out.handled[i] = done;
    }
    if (plan.specialKept ||
        (out.failures.isEmpty() &&
         std::find(out.handled.begin(), out.handled.end(), 0) != out.handled.end()))
        out.failures << kSpecialFilesKept;
    out.problem = out.failures.value(0);
    return out;
}
