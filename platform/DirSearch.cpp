#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
struct LinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

bool IsDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}
} // namespace

int FileAttrOf(const struct stat& st, const char* name) {
    int attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= faDirectory;
    else if (S_ISREG(st.st_mode))
        attr |= faArchive;
    else if (!S_ISLNK(st.st_mode))
        attr |= faSysFile;
    // "." and ".." are the folder's own links, not hidden entries.
    if (name[0] == '.' && !IsDotOrDotDot(name)) attr |= faHidden;
    if (!(st.st_mode & S_IWUSR)) attr |= faReadOnly;
    return attr;
}

DirReader::DirReader(int fd, char* buffer) : fd_(fd), buf_(buffer) {
    if (fd_ >= 0 && !buf_) {
        own_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
        buf_ = own_.get();
    }
}

DirReader::~DirReader() {
    if (fd_ >= 0) ::close(fd_);
}

int DirReader::OpenDir(int dirfd, const char* name, bool followLink) {
    return ::openat(dirfd, name,
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | (followLink ? 0 : O_NOFOLLOW));
}

bool DirReader::Next(Entry& e) {
    if (fd_ < 0) return false;
    if (pos_ >= fill_) {
        long n = ::syscall(SYS_getdents64, fd_, buf_, kBufferSize);
        if (n < 0) error_ = errno;
        if (n <= 0) return false;
        fill_ = n;
        pos_ = 0;
    }
    auto* d = reinterpret_cast<LinuxDirent64*>(buf_ + pos_);
    pos_ += d->d_reclen;
    e.name = d->d_name;
    e.length = std::strlen(d->d_name);
    e.type = d->d_type;
    return true;
}

struct SearchState {
    std::unique_ptr<DirReader> reader;
    QByteArray pattern; // empty: every name
    int mask = faAnyFile;
    int dotsDelivered = 0;
};

namespace {
bool NameMatches(const SearchState& s, const char* name) {
    return s.pattern.isEmpty() || ::fnmatch(s.pattern.constData(), name, FNM_CASEFOLD) == 0;
}

void FillRec(SearchRec& rec, const struct stat& st, const char* name, int attr) {
    rec.Name = PathFromNative(name, qsizetype(std::strlen(name)));
    rec.Attr = attr;
    rec.Size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    rec.Time = st.st_mtime;
    rec.ATime = st.st_atime;
}

int Advance(SearchRec& rec) {
    SearchState& s = *rec.state;
    const int fd = s.reader->fd();
    struct stat st {};
    while (s.dotsDelivered < 2) {
        const char* name = s.dotsDelivered == 0 ? "." : "..";
        ++s.dotsDelivered;
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const int attr = FileAttrOf(st, name);
        if (NameMatches(s, name) && AttrMatchesMask(attr, s.mask)) {
            FillRec(rec, st, name, attr);
            return 0;
        }
    }
    DirReader::Entry e{};
    while (s.reader->Next(e)) {
        if (IsDotOrDotDot(e.name) || !NameMatches(s, e.name)) continue;
        // The entry may vanish between the read and the status call.
        if (::fstatat(fd, e.name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const int attr = FileAttrOf(st, e.name);
        if (!AttrMatchesMask(attr, s.mask)) continue;
        FillRec(rec, st, e.name, attr);
        return 0;
    }
    return s.reader->error() ? s.reader->error() : ENOENT;
}
} // namespace

int FindFirst(const QString& pattern, int mask, SearchRec& rec) {
    FindClose(rec);
    const int slash = int(pattern.lastIndexOf(QLatin1Char('/')));
    const QString folder = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
    const QString last = pattern.mid(slash + 1);
    auto state = std::make_shared<SearchState>();
    if (!last.isEmpty() && last != QLatin1String("*") && last != QLatin1String("*.*"))
        state->pattern = NativePath(last);
    state->mask = mask;
    const int fd = DirReader::OpenDir(AT_FDCWD, NativePath(folder).constData(), true);
    if (fd < 0) return errno ? errno : ENOENT;
    state->reader = std::make_unique<DirReader>(fd);
    rec.state = std::move(state);
    const int r = Advance(rec);
    if (r != 0) FindClose(rec);
    return r;
}

int FindNext(SearchRec& rec) {
    if (!rec.state) return EBADF;
    return Advance(rec);
}

void FindClose(SearchRec& rec) {
    rec.state.reset();
}

int ReopenParentFolder(int subfolder, dev_t dev, ino_t ino) {
    if (subfolder < 0) return -1;
    int fd = ::openat(subfolder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(subfolder);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_dev != dev || st.st_ino != ino)) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}
