#include "core/engine/Walker.h"
#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

namespace {

bool IsDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

} // namespace

WalkTask& WalkTask::operator=(WalkTask&& o) noexcept {
    if (this != &o) {
        if (fd >= 0) ::close(fd);
        fd = std::exchange(o.fd, -1);
        dev = o.dev;
        path = std::move(o.path);
        out = o.out;
        row = o.row;
    }
    return *this;
}

WalkTask::~WalkTask() {
    if (fd >= 0) ::close(fd);
}

WaitMeter::WaitMeter() : fd_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {}

WaitMeter::~WaitMeter() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t WaitMeter::Now() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// ns the thread ran, from its clock (the statistics' own first number lags by
// up to a tick), and ns it waited for a core.
bool WaitMeter::Read(std::int64_t& ran, std::int64_t& delayed) const {
    char text[96];
    const ssize_t n = fd_ < 0 ? -1 : ::pread(fd_, text, sizeof text - 1, 0);
    if (n <= 0) return false;
    text[n] = 0;
    unsigned long long run = 0, delay = 0;
    if (std::sscanf(text, "%llu %llu", &run, &delay) != 2) return false;
    struct timespec ts {};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return false;
    ran = std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    delayed = std::int64_t(delay);
    return true;
}

void WaitMeter::Restart() {
    now_ = Now();
    started_ = Read(ran_, delayed_);
}

bool WaitMeter::Sample(std::int64_t minSpan, std::int64_t& blocked, std::int64_t& delayed,
                       std::int64_t& span) {
    const std::int64_t now = Now();
    if (!started_) {
        Restart();
        return false;
    }
    if (now - now_ < minSpan) return false;
    std::int64_t ran = 0, delay = 0;
    if (!Read(ran, delay)) return started_ = false;
    span = now - now_;
    delayed = delay - delayed_;
    blocked = std::max<std::int64_t>(0, span - (ran - ran_) - delayed);
    now_ = now;
    ran_ = ran;
    delayed_ = delay;
    return true;
}

void AddBytes(std::int64_t& total, std::int64_t bytes) {
    if (__builtin_add_overflow(total, bytes, &total))
        total = std::numeric_limits<std::int64_t>::max();
}

std::int64_t Walker::Folder(const QString& folder, bool recurse, TreePart& out, int row,
                            struct stat* top) {
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const QByteArray native = NativePath(prefix);
    const int fd = DirReader::OpenDir(AT_FDCWD, native.constData(), true);
    if (fd < 0) {
        out.topFlags |= Tree::ReadError;
        return 0;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        out.topFlags |= Tree::ReadError;
        return 0;
    }
    if (top) *top = st;
    // A folder on a pseudo file system is never entered, not even at the top.
    if (IsPseudo(fd, st.st_dev)) {
        ::close(fd);
        out.topFlags |= Tree::Excluded | Tree::KernelFs;
        return 0;
    }
    path_.clear();
    AddAncestors(native);
    path_.emplace_back(st.st_dev, st.st_ino);
    out_ = &out;
    row_ = row;
    if (meter_) meter_->Restart();
    const std::int64_t total = Walk(fd, Tree::kNone, st.st_dev, recurse);
    out_ = nullptr;
    return total;
}

std::int64_t Walker::Task(WalkTask& task) {
    path_ = std::move(task.path);
    out_ = task.out;
    row_ = task.row;
    if (meter_) meter_->Restart();
    const std::int64_t total = Walk(std::exchange(task.fd, -1), Tree::kNone, task.dev, true);
    out_ = nullptr;
    return total;
}

// One entry of the folder open as fd, counted and recorded. True when it is a
// folder to enter: then child is its open handle, sub its node, st its status.
bool Walker::Visit(int fd, const char* name, std::size_t length, unsigned char type,
                   Tree::Index dir, dev_t dev, bool recurse, std::int64_t& total, int& child,
                   Tree::Index& sub, struct stat& st) {
    if (IsDotOrDotDot(name)) return false;
    const bool hidden = name[0] == '.';
    const bool mayDescend = recurse && !hidden;
    // A folder to enter is opened first and asked through its handle: one
    // name look-up instead of two.
    child = -1;
    if (mayDescend && type == DT_DIR) {
        child = DirReader::OpenDir(fd, name);
        if (child >= 0 && ::fstat(child, &st) != 0) {
            ::close(child);
            child = -1;
        }
    }
    // An entry that vanished since the folder was read counts nothing.
    if (child < 0 && ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    const bool isDir = S_ISDIR(st.st_mode);
    if (!isDir) AddBytes(total, std::int64_t(st.st_size));
    sub = out_->Add(dir, name, length, st, st.st_dev != dev);
    if (!isDir) return false;
    if (hidden) {
        out_->SetFlags(sub, Tree::Excluded);
        return false;
    }
    if (!mayDescend) return false;
    if (child < 0 && type != DT_DIR) child = DirReader::OpenDir(fd, name);
    if (child < 0) {
        out_->SetFlags(sub, Tree::ReadError);
        return false;
    }
    if (OnPath(st.st_dev, st.st_ino)) {
        ::close(child);
        out_->SetFlags(sub, Tree::Excluded);
        return false;
    }
    if (st.st_dev != dev && IsPseudo(child, st.st_dev)) {
        ::close(child);
        out_->SetFlags(sub, Tree::Excluded | Tree::KernelFs);
        return false;
    }
    return true;
}

std::int64_t Walker::Walk(int fd, Tree::Index dir, dev_t dev, bool recurse) {
    const std::size_t depth = path_.size();
    if (depth > kOpenLevels) {
        std::int64_t total = 0;
        const int still = WalkDeep(fd, dir, dev, total);
        if (still >= 0) ::close(still);
        return total;
    }
    while (buffers_.size() <= depth)
        buffers_.push_back(std::make_unique_for_overwrite<char[]>(DirReader::kBufferSize));
    DirReader reader(fd, buffers_[depth].get());
    DirReader::Entry e{};
    std::int64_t total = 0;
    struct stat st {};
    int child = -1;
    Tree::Index sub = 0;
    while (reader.Next(e)) {
        if (Stopped()) break;
        if (pool_ && (++ticks_ & 7) == 0) Pace();
        if (!Visit(fd, e.name, e.length, e.type, dir, dev, recurse, total, child, sub, st))
            continue;
        path_.emplace_back(st.st_dev, st.st_ino);
        // A folder that has folders of its own is worth handing to an idle worker;
        // its part is spliced in after it when the tree is joined. (A link count
        // of 2 means no subfolders on most file systems; 1 means not counted.)
        if (pool_ && st.st_nlink != 2 && pool_->WantsWork()) {
            WalkTask task;
            task.fd = child;
            task.dev = st.st_dev;
            task.path = path_;
            task.row = row_;
            task.out = &out_->Splice(sub);
            pool_->HandOver(std::move(task));
        } else {
            AddBytes(total, Walk(child, sub, st.st_dev, true));
        }
        path_.pop_back();
    }
    return total;
}

// A folder below the open levels: its names are read first, its handle is
// closed while a subfolder is walked and opened again through the
// subfolder's "..", checked to be the same folder. Returns the folder's handle,
// still open, or -1 when it was lost (the rest of it then counts nothing).
int Walker::WalkDeep(int fd, Tree::Index dir, dev_t dev, std::int64_t& total) {
    struct Name {
        std::size_t off, length;
        unsigned char type;
    };
    std::vector<Name> entries;
    std::string names;
    if (!deepBuffer_) deepBuffer_ = std::make_unique_for_overwrite<char[]>(DirReader::kBufferSize);
    {
        DirReader reader(fd, deepBuffer_.get());
        DirReader::Entry e{};
        while (reader.Next(e)) {
            entries.push_back({names.size(), e.length, e.type});
            names.append(e.name, e.length + 1);
        }
        fd = reader.Release();
    }
    const std::pair<dev_t, ino_t> self = path_.back();
    struct stat st {};
    int child = -1;
    Tree::Index sub = 0;
    for (const Name& n : entries) {
        if (fd < 0 || Stopped()) break;
        if (!Visit(fd, names.data() + n.off, n.length, n.type, dir, dev, true, total, child, sub,
                   st))
            continue;
        ::close(fd);
        path_.emplace_back(st.st_dev, st.st_ino);
        const int back = WalkDeep(child, sub, st.st_dev, total);
        path_.pop_back();
        fd = ReopenParentFolder(back, self.first, self.second);
    }
    return fd;
}

void Walker::Pace() {
    if (!pool_->MayGrow()) {
        meter_.reset();
        return;
    }
    if (!meter_) {
        meter_ = std::make_unique<WaitMeter>();
        meter_->Restart();
        return;
    }
    std::int64_t blocked = 0, delayed = 0, span = 0;
    if (!meter_->Works())
        pool_->Waited(1, 0, 1); // cannot tell: counted as waiting, as the disk's default was
    else if (meter_->Sample(pool_->SampleSpan(), blocked, delayed, span))
        pool_->Waited(blocked, delayed, span);
}

bool Walker::OnPath(dev_t dev, ino_t ino) const {
    for (const auto& p : path_)
        if (p.second == ino && p.first == dev) return true;
    return false;
}

// Checked only where the device changes, so a walk within one file system
// never asks.
bool Walker::IsPseudo(int fd, dev_t dev) {
    auto it = pseudo_.find(dev);
    if (it != pseudo_.end()) return it->second;
    int known = mounts_.Pseudo(dev);
    if (known < 0) {
        struct statfs sf {};
        known = ::fstatfs(fd, &sf) == 0 && IsPseudoFsMagic(long(sf.f_type)) ? 1 : 0;
    }
    pseudo_.emplace(dev, known == 1);
    return known == 1;
}

// The folders above the start are on the descent path too: a loop back to
// one of them is not followed.
void Walker::AddAncestors(const QByteArray& prefix) {
    struct stat st {};
    for (qsizetype i = 0; i < prefix.size() - 1; ++i) {
        if (prefix.at(i) != '/') continue;
        const QByteArray up = i == 0 ? QByteArray("/") : prefix.left(i);
        if (::stat(up.constData(), &st) == 0) path_.emplace_back(st.st_dev, st.st_ino);
    }
}
