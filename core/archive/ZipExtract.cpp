#include "core/archive/ZipExtract.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipTimes.h"
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

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

// Reads the whole entry; libzip checks its CRC at the end.
bool ReadEntry(zip_t* za, zip_uint64_t index,
               const std::function<bool(const char*, std::size_t)>& sink) {
    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) return false;
    std::vector<char> buf(1 << 16);
    zip_int64_t n;
    bool ok = true;
    while (ok && (n = zip_fread(zf, buf.data(), buf.size())) > 0)
        ok = sink(buf.data(), std::size_t(n));
    if (ok && n < 0) ok = false;
    zip_fclose(zf);
    return ok;
}

class Extractor {
public:
    Extractor(zip_t* za, int target, ExtractOutcome& out) : za_(za), target_(target), out_(out) {}

    // True when the entry is in place (written now or there before).
    bool Entry(zip_uint64_t index) {
        const EntryInfo e = ReadEntryInfo(za_, index);
        std::vector<std::string> parts;
        if (!SplitEntryName(e.name, parts))
            return Refuse(e.name, QStringLiteral("its path leaves the target folder"));
        const bool folder = e.name.back() == '/' || S_ISDIR(e.mode);
        const std::size_t folders = folder ? parts.size() : parts.size() - 1;
        Fd dir = OpenFolders(target_, parts, folders);
        if (dir.fd < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                return Refuse(e.name, QStringLiteral("its path goes through a link or a file"));
            return Fail(e.name, Why(errno));
        }
        if (folder) return true;
        const std::string& last = parts.back();
        if (e.mode != 0 && !S_ISREG(e.mode) && !S_ISLNK(e.mode))
            return Refuse(e.name, QStringLiteral("it is neither a file, a folder nor a link"));
        const mode_t wanted = S_ISLNK(e.mode) ? S_IFLNK : S_IFREG;
        if (const mode_t there = ExistingType(dir.fd, last)) {
            // Never replaced; something else under the name is no restore of it.
            return there == wanted ? true
                                   : Fail(e.name, QStringLiteral("something else has that name"));
        }
        if (wanted == S_IFLNK) return Link(index, e, dir.fd, last);
        return File(index, e, dir.fd, last);
    }

private:
    bool Refuse(const std::string& name, const QString& why) {
        return Fail(name, QStringLiteral("refused, %1").arg(why));
    }
    bool Fail(const std::string& name, const QString& why) {
        if (out_.problem.isEmpty())
            out_.problem = QStringLiteral("%1: %2").arg(PathText(name), why);
        return false;
    }

    bool Link(zip_uint64_t index, const EntryInfo& e, int dir, const std::string& name) {
        std::string target;
        const bool read =
            e.st.size < PATH_MAX && ReadEntry(za_, index, [&](const char* p, std::size_t n) {
                target.append(p, n);
                return target.size() < PATH_MAX;
            });
        if (!read || target.empty() || target.find('\0') != std::string::npos)
            return Fail(e.name, QStringLiteral("the link's target does not read back"));
        if (::symlinkat(target.c_str(), dir, name.c_str()) != 0)
            return errno == EEXIST ? true : Fail(e.name, Why(errno));
        ::utimensat(dir, name.c_str(), e.times, AT_SYMLINK_NOFOLLOW);
        return true;
    }

    bool File(zip_uint64_t index, const EntryInfo& e, int dir, const std::string& name) {
        std::string temp;
        Fd out;
        for (int tries = 0; out.fd < 0 && tries < 100; ++tries) {
            temp = TemporaryName();
            out = Fd(::openat(dir, temp.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (out.fd < 0 && errno != EEXIST) return Fail(e.name, Why(errno));
        }
        if (out.fd < 0) return Fail(e.name, Why(EEXIST));
        std::uint64_t written = 0;
        int writeError = 0;
        const bool read = ReadEntry(za_, index, [&](const char* p, std::size_t n) {
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
        bool ok = read && written == e.st.size && ::fchmod(out.fd, mode) == 0 &&
                  ::futimens(out.fd, e.times) == 0;
        if (ok && ::close(out.fd) != 0) ok = false;
        out.fd = -1;
        if (!ok) {
            ::unlinkat(dir, temp.c_str(), 0);
            return Fail(e.name, writeError ? Why(writeError)
                                           : QStringLiteral("the entry does not read back whole"));
        }
        if (MoveIntoPlace(dir, temp, name) != 0) {
            const int err = errno;
            ::unlinkat(dir, temp.c_str(), 0);
            return err == EEXIST ? true : Fail(e.name, Why(err));
        }
        return true;
    }

    zip_t* za_;
    int target_;
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
        out.archiveFailed = true;
    } else {
        Extractor extractor(za, target.fd, out);
        for (zip_int64_t i = 0; i < count; ++i) {
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
