#include "core/archive/ZipExtract.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/ArchiveScratch.h"
#include "core/archive/ZipTimes.h"
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>
#include <zip.h>
#include <zlib.h>

namespace {

QString Why(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// An fd closed when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    Fd(Fd&& o) noexcept : fd(o.fd) { o.fd = -1; }
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd, o.fd);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// The components of an entry name; false for a name that would leave the
// target (absolute, or with a ".." component) or names nothing.
bool SplitEntryName(const std::string& name, std::vector<std::string>& parts) {
    if (name.empty() || name.front() == '/') return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part == "..") return false;
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        start = end + 1;
    }
    return !parts.empty();
}

// Opens the folder of parts[0 .. count) below base, making missing ones; a
// part that is a link or not a folder ends it (ELOOP / ENOTDIR).
Fd OpenFolders(int base, const std::vector<std::string>& parts, std::size_t count) {
    Fd dir(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; i < count && dir.fd >= 0; ++i) {
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = ::openat(dir.fd, parts[i].c_str(), flags);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(dir.fd, parts[i].c_str(), 0777) != 0 && errno != EEXIST) return Fd();
            next = ::openat(dir.fd, parts[i].c_str(), flags);
        }
        dir = Fd(next);
    }
    return dir;
}

// The file type of what is there already; 0 when nothing is.
mode_t ExistingType(int dir, const std::string& name) {
    struct stat st {};
    return ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? (st.st_mode & S_IFMT) : 0;
}

std::string TemporaryName() {
    static std::mt19937_64 random{std::random_device{}()};
    return ".morvane-restore-" + std::to_string(random() % 1000000000ULL);
}

// Puts the finished file under its name unless something is there already.
int MoveIntoPlace(int dir, const std::string& temp, const std::string& name) {
    int r = ::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE);
    if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
        r = ::linkat(dir, temp.c_str(), dir, name.c_str(), 0);
        if (r == 0) ::unlinkat(dir, temp.c_str(), 0);
    }
    return r;
}

struct EntryInfo {
    std::string name;
    zip_stat_t st{};
    mode_t mode = 0; // 0: the archive carries none
    timespec times[2]{};
};

EntryInfo ReadEntryInfo(zip_t* za, zip_uint64_t index) {
    EntryInfo e;
    if (const char* n = zip_get_name(za, index, ZIP_FL_ENC_RAW)) e.name = n;
    zip_stat_index(za, index, ZIP_FL_ENC_RAW, &e.st);
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) == 0 &&
        opsys == ZIP_OPSYS_UNIX)
        e.mode = mode_t(attributes >> 16);
    e.times[0] = e.times[1] = {(e.st.valid & ZIP_STAT_MTIME) ? e.st.mtime : time_t(0), 0};
    if (!(e.st.valid & ZIP_STAT_MTIME)) e.times[0].tv_nsec = e.times[1].tv_nsec = UTIME_NOW;
    for (zip_flags_t where : {ZIP_FL_CENTRAL, ZIP_FL_LOCAL}) {
        zip_uint16_t length = 0;
        const zip_uint8_t* field =
            zip_file_extra_field_get_by_id(za, index, kNtfsTimesField, 0, &length, where);
        if (const auto t = DecodeEntryTimes(field, length)) {
            e.times[0] = t->accessed;
            e.times[1] = t->modified;
            break;
        }
    }
    return e;
}

// Reads the whole entry; libzip checks its CRC at the end. 0 when it read
// whole, -1 when sink stopped it, else the libzip error that did.
int ReadEntry(zip_t* za, zip_uint64_t index,
              const std::function<bool(const char*, std::size_t)>& sink) {
    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) return zip_error_code_zip(zip_get_error(za));
    std::vector<char> buf(1 << 16);
    zip_int64_t n;
    int result = 0;
    while ((n = zip_fread(zf, buf.data(), buf.size())) > 0)
        if (!sink(buf.data(), std::size_t(n))) {
            result = -1;
            break;
        }
    if (result == 0 && n < 0) result = zip_error_code_zip(zip_file_get_error(zf));
    zip_fclose(zf);
    return result;
}

// Which fault kept an entry from reading back, in plain words.
QString ReadFault(int code) {
    switch (code) {
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("the password is wrong");
    case ZIP_ER_NOPASSWD:
        return QStringLiteral("it is encrypted");
    case ZIP_ER_CRC:
        return QStringLiteral("its data does not match its CRC");
    case ZIP_ER_EOF:
    case ZIP_ER_READ:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return QStringLiteral("its data is cut short or damaged");
    case ZIP_ER_INCONS:
        return QStringLiteral("its data is not of its declared size");
    default: {
        zip_error_t ze;
        zip_error_init_with_code(&ze, code);
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return text;
    }
    }
}

// Bytes the caller may still write on the file system of dir.
std::uint64_t FreeSpace(int dir) {
    struct statvfs vfs {};
    if (::fstatvfs(dir, &vfs) != 0) return UINT64_MAX;
    return std::uint64_t(vfs.f_bavail) * vfs.f_frsize;
}

class Extractor {
public:
    Extractor(zip_t* za, int target, const std::string& targetPath, ExtractOutcome& out)
        : za_(za), target_(target), targetPath_(targetPath), out_(out) {
        if (targetPath_.empty() || targetPath_.back() != '/') targetPath_ += '/';
    }

    // True when the entry is in place (written now, or there before with the
    // same contents).
    bool Entry(zip_uint64_t index) {
        const EntryInfo e = ReadEntryInfo(za_, index);
        std::vector<std::string> parts;
        if (!SplitEntryName(e.name, parts))
            return Refuse(e.name, QStringLiteral("its path leaves the target folder"));
        // Writers that set no file type (Windows tools, many libraries) mean a
        // plain file, or a folder when the name ends in '/', as unzip reads them.
        const mode_t type = e.mode & S_IFMT;
        const bool folder = e.name.back() == '/' || type == S_IFDIR;
        const std::size_t folders = folder ? parts.size() : parts.size() - 1;
        Fd dir = OpenFolders(target_, parts, folders);
        if (dir.fd < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                return Refuse(e.name, QStringLiteral("its path goes through a link or a file"));
            return Fail(e.name, Why(errno));
        }
        if (folder) return true;
        const std::string& last = parts.back();
        if (type != 0 && type != S_IFREG && type != S_IFLNK)
            return Refuse(e.name, QStringLiteral("it is neither a file, a folder nor a link"));
        const mode_t wanted = type == S_IFLNK ? S_IFLNK : S_IFREG;
        if (const mode_t there = ExistingType(dir.fd, last)) {
            // Never replaced; something else under the name is no restore of it.
            if (there != wanted)
                return Fail(e.name, QStringLiteral("something else has that name"));
            return SameAsThere(index, e, dir.fd, last)
                       ? true
                       : Fail(e.name, QStringLiteral("kept the file there, which differs from "
                                                     "the archive's"));
        }
        if (wanted == S_IFLNK) return Link(index, e, dir.fd, last);
        return File(index, e, dir.fd, last);
    }

private:
    bool Refuse(const std::string& name, const QString& why) {
        return Fail(name, QStringLiteral("refused, %1").arg(why));
    }
    bool Fail(const std::string& name, const QString& why) {
        out_.failures << QStringLiteral("%1: %2").arg(PathText(targetPath_ + name), why);
        if (out_.problem.isEmpty()) out_.problem = out_.failures.back();
        return false;
    }

    // The link's target as the entry holds it; empty when it does not read.
    std::string LinkTarget(zip_uint64_t index, const EntryInfo& e) {
        std::string target;
        const bool read =
            e.st.size < PATH_MAX && ReadEntry(za_, index, [&](const char* p, std::size_t n) {
                                        target.append(p, n);
                                        return target.size() < PATH_MAX;
                                    }) == 0;
        if (!read || target.find('\0') != std::string::npos) target.clear();
        return target;
    }

    // Whether the file or link already under name holds what the entry holds
    // (size and CRC for a file).
    bool SameAsThere(zip_uint64_t index, const EntryInfo& e, int dir, const std::string& name) {
        if (S_ISLNK(e.mode)) {
            const std::string want = LinkTarget(index, e);
            std::string there(want.size() + 1, '\0');
            const ssize_t n = ::readlinkat(dir, name.c_str(), there.data(), there.size());
            return !want.empty() && n == ssize_t(want.size()) &&
                   there.compare(0, want.size(), want) == 0;
        }
        const Fd in(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            std::uint64_t(st.st_size) != e.st.size || !(e.st.valid & ZIP_STAT_CRC))
            return false;
        std::vector<char> buf(1 << 16);
        uLong crc = crc32(0, nullptr, 0);
        ssize_t n;
        while ((n = ::read(in.fd, buf.data(), buf.size())) > 0)
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buf.data()), uInt(n));
        return n == 0 && crc == e.st.crc;
    }

    bool Link(zip_uint64_t index, const EntryInfo& e, int dir, const std::string& name) {
        const std::string target = LinkTarget(index, e);
        if (target.empty())
            return Fail(e.name, QStringLiteral("the link's target does not read back"));
        if (::symlinkat(target.c_str(), dir, name.c_str()) != 0)
            return errno == EEXIST ? true : Fail(e.name, Why(errno));
        ::utimensat(dir, name.c_str(), e.times, AT_SYMLINK_NOFOLLOW);
        return true;
    }

    bool File(zip_uint64_t index, const EntryInfo& e, int dir, const std::string& name) {
        if (const std::uint64_t space = FreeSpace(dir); e.st.size > space)
            return Refuse(e.name, QStringLiteral("its size (%1 bytes) is more than the free "
                                                 "space there (%2 bytes)")
                                      .arg(e.st.size)
                                      .arg(space));
        std::string temp;
        Fd out;
        for (int tries = 0; out.fd < 0 && tries < 100; ++tries) {
            temp = TemporaryName();
            out = Fd(::openat(dir, temp.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (out.fd < 0 && errno != EEXIST) return Fail(e.name, Why(errno));
        }
        if (out.fd < 0) return Fail(e.name, Why(EEXIST));
        SetScratchFile(dir, temp.c_str());
        std::uint64_t written = 0;
        int writeError = 0;
        bool tooLong = false;
        const int read = ReadEntry(za_, index, [&](const char* p, std::size_t n) {
            // A bomb that declares a small size stops at it.
            if (ArchiveInterrupt() || (tooLong = written + n > e.st.size)) return false;
            for (std::size_t done = 0; done < n;) {
                const ssize_t w = ::write(out.fd, p + done, n - done);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) {
                    writeError = w < 0 ? errno : ENOSPC;
                    return false;
                }
                done += std::size_t(w);
            }
            written += n;
            return true;
        });
        const mode_t mode = e.mode ? (e.mode & 0777) : 0644;
        bool ok = read == 0 && written == e.st.size && ::fchmod(out.fd, mode) == 0 &&
                  ::futimens(out.fd, e.times) == 0;
        if (ok && ::close(out.fd) != 0) ok = false;
        out.fd = -1;
        if (!ok) {
            ::unlinkat(dir, temp.c_str(), 0);
            ClearScratchFile();
            if (ArchiveInterrupt()) {
                out_.interrupted = true;
                return Fail(e.name, kInterrupted);
            }
            QString why = writeError ? Why(writeError) : ReadFault(read);
            if (tooLong)
                why = QStringLiteral("its data is longer than its declared size");
            else if (read == 0 && written != e.st.size)
                why = QStringLiteral("its data is shorter than its declared size");
            else if (read == ZIP_ER_CRC && written < e.st.size)
                why = QStringLiteral("its data is cut short"); // inflate ran out of input
            return Fail(e.name, why);
        }
        const int moved = MoveIntoPlace(dir, temp, name);
        const int err = errno;
        if (moved != 0) ::unlinkat(dir, temp.c_str(), 0);
        ClearScratchFile();
        if (moved == 0) return true;
        // Something appeared under the name meanwhile: judged as any file there before.
        if (err == EEXIST)
            return ExistingType(dir, name) == S_IFREG && SameAsThere(index, e, dir, name)
                       ? true
                       : Fail(e.name, QStringLiteral("kept the file there, which differs from "
                                                     "the archive's"));
        return Fail(e.name, Why(err));
    }

    zip_t* za_;
    int target_;
    std::string targetPath_;
    ExtractOutcome& out_;
};

} // namespace

ExtractOutcome ExtractFromArchive(const ExtractJob& job) {
    ExtractOutcome out;
    int err = 0;
    zip_t* za = job.archive.empty() ? nullptr : zip_open(job.archive.c_str(), ZIP_RDONLY, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        out.problem =
            QStringLiteral("cannot read %1: %2")
                .arg(PathText(job.archive), QString::fromLocal8Bit(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        out.failures << out.problem;
        out.archiveFailed = true;
        if (job.counted) job.counted(0);
        return out;
    }
    zip_set_default_password(za, job.password.c_str());
    const zip_int64_t count = zip_get_num_entries(za, 0);
    out.entries = int(std::min<zip_int64_t>(count, INT_MAX));
    if (job.counted) job.counted(out.entries);
    const Fd target(::open(job.target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (target.fd < 0) {
        out.problem = QStringLiteral("cannot enter %1: %2").arg(PathText(job.target), Why(errno));
        out.failures << out.problem;
        out.archiveFailed = true;
    } else {
        Extractor extractor(za, target.fd, job.target, out);
        for (zip_int64_t i = 0; i < count && !out.interrupted; ++i) {
            if (ArchiveInterrupt()) {
                out.interrupted = true;
                out.failures << kInterrupted;
                if (out.problem.isEmpty()) out.problem = kInterrupted;
                break;
            }
            if (extractor.Entry(zip_uint64_t(i))) ++out.handled;
            if (job.entryDone) job.entryDone();
        }
    }
    zip_discard(za);
    return out;
}

bool OpensAsArchive(const std::string& path, QString* why) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (za) {
        zip_discard(za);
        return true;
    }
    if (why) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        *why = QString::fromLocal8Bit(zip_error_strerror(&ze));
        zip_error_fini(&ze);
    }
    return false;
}
