#include "core/engine/DirScanner.h"
#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include <QFile>
#include <QHash>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

// The FileRows of one walked folder, compact: names as the file system's bytes in
// one block, each folder as a link to its parent, sizes and times as numbers.
struct RowChunk {
    struct Dir {
        qint32 parent; // -1: the walked folder itself (rootPrefix)
        quint32 nameLen;
        quint64 nameOff;
    };
    struct Row {
        quint32 dir;
        quint32 nameLen;
        quint64 nameOff;
        qint64 size;
        qint64 mtime;
        qint64 atime;
    };
    // A subfolder walked by another thread: its rows come before rows[pos].
    struct Splice {
        std::size_t pos;
        quint32 dir; // the subfolder, in dirs
        std::unique_ptr<RowChunk> chunk;
    };
    QString rootPrefix; // of a row's chunk; a spliced chunk's comes from its parent
    std::vector<Dir> dirs;
    std::vector<Row> rows;
    std::vector<Splice> splices; // in walk order
    std::string names;

    std::size_t RowCount() const {
        std::size_t n = rows.size();
        for (const Splice& sp : splices)
            n += sp.chunk->RowCount();
        return n;
    }
};

namespace {

// File systems made up by the kernel: listed, never entered.
bool IsPseudoFsType(const std::string& t) {
    static const char* const kTypes[] = {
        "proc",       "sysfs",   "devtmpfs",   "devpts",  "cgroup",      "cgroup2",
        "debugfs",    "tracefs", "securityfs", "pstore",  "bpf",         "configfs",
        "efivarfs",   "mqueue",  "hugetlbfs",  "fusectl", "binfmt_misc", "autofs",
        "rpc_pipefs", "nsfs",    "selinuxfs",  "nfsd",    "ramfs_pseudo"};
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* k) { return t == k; });
}

// The same by statfs magic, for a device the mount table does not name.
bool IsPseudoFsMagic(long magic) {
    switch (static_cast<unsigned long>(magic)) {
    case 0x9fa0:     // proc
    case 0x62656572: // sysfs
    case 0x1cd1:     // devpts
    case 0x27e0eb:   // cgroup
    case 0x63677270: // cgroup2
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0x6165676c: // pstore
    case 0xcafe4a11: // bpf
    case 0x62656570: // configfs
    case 0xde5e81e4: // efivarfs
    case 0x19800202: // mqueue
    case 0x65735543: // fusectl
    case 0x42494e4d: // binfmt_misc
    case 0x0187:     // autofs
    case 0x6e736673: // nsfs
    case 0xf97cff8c: // selinuxfs
        return true;
    default:
        return false;
    }
}

// Device -> file system type, read once per run from the mount table.
class MountTypes {
public:
    MountTypes() {
        std::ifstream in("/proc/self/mountinfo");
        std::string line;
        while (std::getline(in, line)) {
            // id parent major:minor root mountpoint options [optional...] - fstype source ...
            std::size_t p = line.find(' ');
            if (p == std::string::npos) continue;
            p = line.find(' ', p + 1);
            if (p == std::string::npos) continue;
            unsigned maj = 0, min = 0;
            if (std::sscanf(line.c_str() + p + 1, "%u:%u", &maj, &min) != 2) continue;
            const std::size_t sep = line.find(" - ");
            if (sep == std::string::npos) continue;
            const std::size_t b = sep + 3;
            const std::size_t e = line.find(' ', b);
            types_[makedev(maj, min)] = line.substr(b, e == std::string::npos ? e : e - b);
        }
    }
    // -1 unknown, 0 real, 1 pseudo
    int Pseudo(dev_t dev) const {
        auto it = types_.find(dev);
        if (it == types_.end()) return -1;
        return IsPseudoFsType(it->second) ? 1 : 0;
    }

private:
    std::unordered_map<dev_t, std::string> types_;
};

bool IsDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

QString WithDelimiter(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

// prefix + name, where name is the file system's bytes; with room for a
// delimiter when the text will become a folder prefix.
QString JoinName(const QString& prefix, const char* name, std::size_t len, bool room = false) {
    bool ascii = true;
    for (std::size_t i = 0; i < len; ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) return prefix + PathFromNative(name, qsizetype(len));
    QString s;
    s.reserve(prefix.size() + qsizetype(len) + (room ? 1 : 0));
    s.resize(prefix.size() + qsizetype(len));
    QChar* d = s.data();
    std::copy(prefix.constData(), prefix.constData() + prefix.size(), d);
    d += prefix.size();
    for (std::size_t i = 0; i < len; ++i)
        d[i] = QChar(char16_t(static_cast<unsigned char>(name[i])));
    return s;
}

// Texts of recorded rows. Equal sizes and dates share one text, which keeps both
// the time and the memory of a run with millions of rows down. Both caches are
// direct-mapped tables: one memory access per look-up, a miss just replaces.
class TextCache {
public:
    TextCache() : sizes_(kSizeSlots), dates_(kDateSlots) {}

    struct SizeSlot {
        qint64 bytes = -1;
        QString mb, kb;
    };
    const SizeSlot& SizeTexts(qint64 bytes) {
        SizeSlot& slot = sizes_[std::size_t(bytes) % kSizeSlots];
        if (slot.bytes != bytes) {
            slot.mb = SizeText(suMB, BytesToSizeValue(bytes), loc_);
            slot.kb = SizeText(suKB, BytesToSizeValue(bytes), loc_);
            slot.bytes = bytes;
        }
        return slot;
    }

    // Cached per hour of the clock, when the whole hour has one date text.
    const QString& Date(std::time_t t) {
        const std::time_t hour = t >= 0 ? t / 3600 : -((-t + 3599) / 3600);
        DateSlot& slot = dates_[std::size_t(hour) % kDateSlots];
        if (slot.hour == hour && slot.valid) return slot.text;
        scratch_ = DateText(t, loc_);
        const std::time_t first = hour * 3600;
        if (DateText(first, loc_) == scratch_ && DateText(first + 3599, loc_) == scratch_) {
            slot.hour = hour;
            slot.text = scratch_;
            slot.valid = true;
            return slot.text;
        }
        return scratch_;
    }

private:
    static constexpr std::size_t kSizeSlots = 1 << 16;
    static constexpr std::size_t kDateSlots = 1 << 12;
    struct DateSlot {
        std::time_t hour = 0;
        bool valid = false;
        QString text;
    };
    const FormatLocale& loc_ = FormatLocale::current();
    std::vector<SizeSlot> sizes_;
    std::vector<DateSlot> dates_;
    QString scratch_;
};

// One thread's walk: depth first, each folder opened once, everything relative to
// the open folder, sizes summed as integers, FileRows kept as bytes and numbers.
// A subfolder handed from one walker to another: its open handle, the descent
// path down to it, and the chunk its rows go to.
struct WalkTask {
    int fd = -1;
    dev_t dev = 0;
    std::vector<std::pair<dev_t, ino_t>> path;
    RowChunk* out = nullptr;
    int row = 0;

    WalkTask() = default;
    WalkTask(WalkTask&& o) noexcept
        : fd(std::exchange(o.fd, -1)), dev(o.dev), path(std::move(o.path)), out(o.out), row(o.row) {
    }
    WalkTask& operator=(WalkTask&& o) noexcept {
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
    ~WalkTask() {
        if (fd >= 0) ::close(fd);
    }
};

// Where a busy walker hands a folder over to a thread that has nothing to do.
class IWalkPool {
public:
    virtual ~IWalkPool() = default;
    // True while a worker waits for work that nobody has handed over yet.
    virtual bool WantsWork() const = 0;
    virtual void HandOver(WalkTask task) = 0;
};

// Byte totals stop at the largest 64-bit count (8 EiB) instead of wrapping: only
// sparse files can claim that much, and their texts are made wider still.
void AddBytes(qint64& total, qint64 bytes) {
    if (__builtin_add_overflow(total, bytes, &total)) total = std::numeric_limits<qint64>::max();
}

// One thread's walk: depth first, each folder opened once (below the open levels,
// again after each subfolder), everything relative to the open folder, sizes
// summed as integers, FileRows kept as bytes and numbers.
class Walker {
public:
    Walker(const MountTypes& mounts, qint64 minSize, const std::atomic<bool>& cancel,
           IWalkPool* pool = nullptr)
        : mounts_(mounts), minSize_(minSize), cancel_(cancel), pool_(pool) {}

    // Byte total of folder (bytes, not x 10000); its FileRows go to out. row tells
    // the pool which row the folders handed over belong to.
    qint64 Folder(const QString& folder, bool recurse, RowChunk& out, int row = 0) {
        const QString prefix = WithDelimiter(folder);
        out.rootPrefix = prefix;
        out.dirs.push_back({-1, 0, 0});
        const QByteArray native = NativePath(prefix);
        const int fd = DirReader::OpenDir(AT_FDCWD, native.constData(), true);
        if (fd < 0) return 0;
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return 0;
        }
        // A folder on a pseudo file system is never entered, not even at the top.
        if (IsPseudo(fd, st.st_dev)) {
            ::close(fd);
            return 0;
        }
        path_.clear();
        AddAncestors(native);
        path_.emplace_back(st.st_dev, st.st_ino);
        out_ = &out;
        row_ = row;
        const qint64 total = Walk(fd, 0, st.st_dev, recurse);
        out_ = nullptr;
        return total;
    }

    // Byte total of a folder handed over by another walker.
    qint64 Task(WalkTask& task) {
        path_ = std::move(task.path);
        out_ = task.out;
        out_->dirs.push_back({-1, 0, 0});
        row_ = task.row;
        const qint64 total = Walk(std::exchange(task.fd, -1), 0, task.dev, true);
        out_ = nullptr;
        return total;
    }

private:
    // One entry of the folder open as fd, counted and recorded. True when it is a
    // folder to enter: then child is its open handle, sub its Dir, st its status.
    [[gnu::always_inline]] bool Visit(int fd, const char* name, std::size_t length,
                                      unsigned char type, quint32 dir, dev_t dev, bool recurse,
                                      qint64& total, int& child, quint32& sub, struct stat& st) {
        if (IsDotOrDotDot(name)) return false;
        const bool mayDescend = recurse && name[0] != '.';
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
        const qint64 size = isDir ? 0 : qint64(st.st_size);
        AddBytes(total, size);
        const quint64 nameOff = out_->names.size();
        if (size >= minSize_) {
            out_->names.append(name, length);
            out_->rows.push_back(
                {dir, quint32(length), nameOff, size, qint64(st.st_mtime),
                 isDir ? qint64(DirScanner::kAccessTimeUnknown) : qint64(st.st_atime)});
        }
        if (!isDir || !mayDescend) return false;
        if (child < 0 && type != DT_DIR) child = DirReader::OpenDir(fd, name);
        if (child < 0) return false;
        if (OnPath(st.st_dev, st.st_ino) || (st.st_dev != dev && IsPseudo(child, st.st_dev))) {
            ::close(child);
            return false;
        }
        if (nameOff == out_->names.size()) out_->names.append(name, length);
        sub = quint32(out_->dirs.size());
        out_->dirs.push_back({qint32(dir), quint32(length), nameOff});
        return true;
    }

    // Levels that keep their folder open. Below them a folder is read whole and
    // closed while its subfolders are walked, so no depth runs out of handles.
    static constexpr std::size_t kOpenLevels = 100;

    qint64 Walk(int fd, quint32 dir, dev_t dev, bool recurse) {
        const std::size_t depth = path_.size();
        if (depth > kOpenLevels) {
            qint64 total = 0;
            const int still = WalkDeep(fd, dir, dev, total);
            if (still >= 0) ::close(still);
            return total;
        }
        while (buffers_.size() <= depth)
            buffers_.push_back(std::make_unique_for_overwrite<char[]>(DirReader::kBufferSize));
        DirReader reader(fd, buffers_[depth].get());
        DirReader::Entry e{};
        qint64 total = 0;
        struct stat st {};
        int child = -1;
        quint32 sub = 0;
        while (reader.Next(e)) {
            if (Stopped()) break;
            if (!Visit(fd, e.name, e.length, e.type, dir, dev, recurse, total, child, sub, st))
                continue;
            path_.emplace_back(st.st_dev, st.st_ino);
            // A folder that has folders of its own is worth handing to an idle worker;
            // its rows are spliced in here when the texts are made. (A link count
            // of 2 means no subfolders on most file systems; 1 means not counted.)
            if (pool_ && st.st_nlink != 2 && pool_->WantsWork()) {
                WalkTask task;
                task.fd = child;
                task.dev = st.st_dev;
                task.path = path_;
                task.row = row_;
                auto chunk = std::make_unique<RowChunk>();
                task.out = chunk.get();
                out_->splices.push_back({out_->rows.size(), sub, std::move(chunk)});
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
    int WalkDeep(int fd, quint32 dir, dev_t dev, qint64& total) {
        struct Name {
            std::size_t off, length;
            unsigned char type;
        };
        std::vector<Name> entries;
        std::string names;
        if (!deepBuffer_)
            deepBuffer_ = std::make_unique_for_overwrite<char[]>(DirReader::kBufferSize);
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
        quint32 sub = 0;
        for (const Name& n : entries) {
            if (fd < 0 || Stopped()) break;
            if (!Visit(fd, names.data() + n.off, n.length, n.type, dir, dev, true, total, child,
                       sub, st))
                continue;
            ::close(fd);
            path_.emplace_back(st.st_dev, st.st_ino);
            const int back = WalkDeep(child, sub, st.st_dev, total);
            path_.pop_back();
            fd = ReopenParentFolder(back, self.first, self.second);
        }
        return fd;
    }

    // Checked once per entry: a cancelled walk unwinds within a few entries.
    bool Stopped() const { return cancel_.load(std::memory_order_relaxed); }

    bool OnPath(dev_t dev, ino_t ino) const {
        for (const auto& p : path_)
            if (p.second == ino && p.first == dev) return true;
        return false;
    }

    // Checked only where the device changes, so a walk within one file system
    // never asks.
    bool IsPseudo(int fd, dev_t dev) {
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
    void AddAncestors(const QByteArray& prefix) {
        struct stat st {};
        for (qsizetype i = 0; i < prefix.size() - 1; ++i) {
            if (prefix.at(i) != '/') continue;
            const QByteArray up = i == 0 ? QByteArray("/") : prefix.left(i);
            if (::stat(up.constData(), &st) == 0) path_.emplace_back(st.st_dev, st.st_ino);
        }
    }

    const MountTypes& mounts_;
    const qint64 minSize_;
    const std::atomic<bool>& cancel_;
    IWalkPool* const pool_;
    RowChunk* out_ = nullptr;
    int row_ = 0;
    std::vector<std::pair<dev_t, ino_t>> path_;
    std::unordered_map<dev_t, bool> pseudo_;
    std::vector<std::unique_ptr<char[]>> buffers_; // one read buffer per open level
    std::unique_ptr<char[]> deepBuffer_;           // shared by the levels below
};

// The path of each folder of a chunk, ending in '/'.
std::vector<QString> DirPrefixes(const RowChunk& c, const QString& rootPrefix) {
    std::vector<QString> prefixes(c.dirs.size());
    for (std::size_t i = 0; i < c.dirs.size(); ++i) {
        const RowChunk::Dir& d = c.dirs[i];
        prefixes[i] = d.parent < 0 ? rootPrefix
                                   : JoinName(prefixes[std::size_t(d.parent)],
                                              c.names.data() + d.nameOff, d.nameLen, true) +
                                         QLatin1Char('/');
    }
    return prefixes;
}

// The rows of c (and of the chunks spliced into it) in walk order.
void VisitRows(const RowChunk& c, const QString& rootPrefix, TextCache& cache,
               DirScanner::FileRowFacts& facts,
               const std::function<void(const DirScanner::FileRowFacts&)>& row) {
    const std::vector<QString> prefixes = DirPrefixes(c, rootPrefix);
    auto splice = c.splices.begin();
    for (std::size_t k = 0; k <= c.rows.size(); ++k) {
        for (; splice != c.splices.end() && splice->pos == k; ++splice)
            VisitRows(*splice->chunk, prefixes[splice->dir], cache, facts, row);
        if (k == c.rows.size()) break;
        const RowChunk::Row& r = c.rows[k];
        facts.folder = prefixes[r.dir];
        facts.name = JoinName(QString(), c.names.data() + r.nameOff, r.nameLen);
        const auto& texts = cache.SizeTexts(r.size);
        facts.mb = texts.mb;
        facts.kb = texts.kb;
        facts.date = cache.Date(std::time_t(r.mtime));
        facts.accessTime = std::time_t(r.atime);
        row(facts);
    }
}

// The parallel walk: workers take the subfolder rows in order and, once the rows
// run out, folders that busy workers hand over. A row is finished when its own
// walk and every folder handed over from it are done; the calling thread takes
// the rows in order, so lists and texts are those of a one-thread walk.
class WalkPool : public IWalkPool {
public:
    WalkPool(const QStringList& rows, const MountTypes& mounts, qint64 minSize,
             const std::atomic<bool>& cancel, int workers)
        : rows_(rows), mounts_(mounts), minSize_(minSize), cancel_(cancel), n_(int(rows.size())),
          chunks_(rows.size()), pending_(rows.size(), 1), bytes_(rows.size(), 0) {
        for (auto& c : chunks_)
            c = std::make_unique<RowChunk>();
        for (int w = 0; w < workers; ++w)
            threads_.emplace_back([this] { Work(); });
    }
    ~WalkPool() override {
        {
            std::lock_guard lock(m_);
            stop_ = true;
            tasks_.clear();
        }
        work_.notify_all();
        threads_.clear(); // joins
    }

    // Waits for row i; false when a worker failed (Rethrow tells why).
    bool Row(int i, std::unique_ptr<RowChunk>& chunk, qint64& bytes) {
        std::unique_lock lock(m_);
        done_.wait(lock, [&] { return pending_[std::size_t(i)] == 0 || failure_; });
        if (failure_) return false;
        chunk = std::move(chunks_[std::size_t(i)]);
        bytes = bytes_[std::size_t(i)];
        return true;
    }
    void Rethrow() {
        std::lock_guard lock(m_);
        if (failure_) std::rethrow_exception(failure_);
    }

    int HandedOver() {
        std::lock_guard lock(m_);
        return handedOver_;
    }

    bool WantsWork() const override {
        return idle_.load(std::memory_order_relaxed) > queued_.load(std::memory_order_relaxed);
    }
    void HandOver(WalkTask task) override {
        {
            std::lock_guard lock(m_);
            ++pending_[std::size_t(task.row)];
            ++handedOver_;
            tasks_.push_back(std::move(task));
            queued_.fetch_add(1, std::memory_order_relaxed);
        }
        work_.notify_one();
    }

private:
    void Work() {
        std::optional<Walker> walker;
        for (;;) {
            WalkTask task;
            int row = -1;
            {
                std::unique_lock lock(m_);
                idle_.fetch_add(1, std::memory_order_relaxed);
                work_.wait(
                    lock, [&] { return stop_ || !tasks_.empty() || next_ < n_ || (active_ == 0); });
                idle_.fetch_sub(1, std::memory_order_relaxed);
                if (stop_) return;
                if (!tasks_.empty()) {
                    // The earliest row first: the calling thread waits for it.
                    auto it = std::min_element(
                        tasks_.begin(), tasks_.end(),
                        [](const WalkTask& a, const WalkTask& b) { return a.row < b.row; });
                    task = std::move(*it);
                    tasks_.erase(it);
                    queued_.fetch_sub(1, std::memory_order_relaxed);
                    row = task.row;
                } else if (next_ < n_) {
                    row = next_++;
                } else {
                    // Nothing queued, no rows left, nobody walking: all done.
                    work_.notify_all();
                    return;
                }
                ++active_;
            }
            qint64 bytes = 0;
            try {
                if (!walker) walker.emplace(mounts_, minSize_, cancel_, this);
                bytes = task.out
                            ? walker->Task(task)
                            : walker->Folder(rows_.at(row), true, *chunks_[std::size_t(row)], row);
            } catch (...) {
                std::lock_guard lock(m_);
                if (!failure_) failure_ = std::current_exception();
                stop_ = true;
                tasks_.clear();
                --active_;
                done_.notify_all();
                work_.notify_all();
                return;
            }
            std::lock_guard lock(m_);
            AddBytes(bytes_[std::size_t(row)], bytes);
            if (--pending_[std::size_t(row)] == 0) done_.notify_all();
            if (--active_ == 0) work_.notify_all();
        }
    }

    const QStringList& rows_;
    const MountTypes& mounts_;
    const qint64 minSize_;
    const std::atomic<bool>& cancel_;
    const int n_;
    std::mutex m_;
    std::condition_variable work_, done_;
    std::vector<std::unique_ptr<RowChunk>> chunks_;
    std::vector<int> pending_; // per row: its walk and the folders handed over from it
    std::vector<qint64> bytes_;
    std::vector<WalkTask> tasks_;
    int next_ = 0;
    int active_ = 0;
    int handedOver_ = 0;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::atomic<int> idle_{0}, queued_{0};
    std::vector<std::jthread> threads_; // last: joined before the rest goes
};

} // namespace

DirScanner::DirScanner() = default;
DirScanner::~DirScanner() = default;

QString DirScanner::AllFilesName() {
    return QStringLiteral("<All files in this folder>");
}
QString DirScanner::FreeSpaceName() {
    return QStringLiteral("<Free Space>");
}

bool DirScanner::IsDriveRoot(const QString& folder) {
    const QString p = WithDelimiter(folder);
    if (p == QLatin1String("/")) return true;
    const QByteArray native = NativePath(p);
    struct statx sx {};
    if (::statx(AT_FDCWD, native.constData(), 0, STATX_INO, &sx) != 0) return false;
    if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
        (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return true;
    struct stat self {
    }, up{};
    if (::stat(native.constData(), &self) != 0 || ::stat((native + "..").constData(), &up) != 0)
        return false;
    return self.st_dev != up.st_dev || self.st_ino == up.st_ino;
}

qint64 DirScanner::FreeBytes(const QString& folder) {
    struct statvfs sv {};
    if (::statvfs(NativePath(folder).constData(), &sv) != 0) return -1;
    qint64 bytes = 0;
    if (__builtin_mul_overflow(sv.f_bavail, sv.f_frsize, &bytes))
        return std::numeric_limits<qint64>::max();
    return bytes;
}

bool DirScanner::HasFreeSpaceRow(const QString& folder) const {
    return IncludeFreeSpace && IsDriveRoot(folder);
}

int DirScanner::DefaultThreads(const QString& folder) {
    const int cores = std::max(1, int(std::thread::hardware_concurrency()));
    // In memory there is nothing to wait for: one thread per core does it all.
    struct statfs fs {};
    if (::statfs(QFile::encodeName(folder).constData(), &fs) == 0 &&
        (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC))
        return std::min(cores, 4);
    // On a disk or a network the walk mostly waits for folders and inodes that
    // are not cached yet; more threads keep more reads in flight, which the
    // device serves together (cold, 8 threads walk about twice as fast as 2 on
    // 2 cores; warm they cost a few per cent).
    return std::clamp(cores, 8, 16);
}

int DirScanner::WorkerCount(int rows, const QString& folder) const {
    if (rows < 1) return 1;
    // Even one row is worth several threads: they take folders out of it.
    return std::clamp(Threads > 0 ? Threads : DefaultThreads(folder), 1, 16);
}

void DirScanner::ClearFileRows() {
    chunks_.clear();
    texts_.reset();
    maker_ = nullptr;
    makerCount_ = 0;
}

const DirScanner::FileRowTexts& DirScanner::Texts() const {
    if (!texts_) {
        auto t = std::make_unique<FileRowTexts>();
        const qsizetype n = FileRowCount();
        t->paths.reserve(n);
        t->mb.reserve(n);
        t->kb.reserve(n);
        t->dates.reserve(n);
        t->atimes.reserve(std::size_t(n));
        ForEachFileRow([&t](const FileRowFacts& r) {
            t->paths.append(r.folder + r.name);
            t->mb.append(r.mb);
            t->kb.append(r.kb);
            t->dates.append(r.date);
            t->atimes.push_back(r.accessTime);
        });
        texts_ = std::move(t);
    }
    return *texts_;
}

const QStringList& DirScanner::FilePaths() const {
    return Texts().paths;
}
const QStringList& DirScanner::FileMB() const {
    return Texts().mb;
}
const QStringList& DirScanner::FileKB() const {
    return Texts().kb;
}
const QStringList& DirScanner::FileDates() const {
    return Texts().dates;
}
const std::vector<std::time_t>& DirScanner::FileAccessTimes() const {
    return Texts().atimes;
}

// The walk order of VisitRows, one row at a time: a stack of the chunks
// being read, each with its folder paths and its next row and splice.
struct DirScanner::FileRowCursor::State {
    struct Level {
        const RowChunk* chunk;
        std::vector<QString> prefixes;
        std::size_t next = 0;
        std::size_t splice = 0;
    };
    const DirScanner& scanner;
    std::size_t nextChunk = 0;
    qsizetype nextMade = 0; // rows given by SetFileRows: read from their texts
    std::vector<Level> stack;
    TextCache cache;
};

DirScanner::FileRowCursor::FileRowCursor(const DirScanner& scanner)
    : s_(std::make_unique<State>(State{scanner, 0, 0, {}, {}})) {}

DirScanner::FileRowCursor::~FileRowCursor() = default;

bool DirScanner::FileRowCursor::Next() {
    State& s = *s_;
    if (s.scanner.maker_) {
        const FileRowTexts& t = s.scanner.Texts();
        if (s.nextMade >= t.paths.size()) return false;
        const qsizetype i = s.nextMade++;
        Path = t.paths.at(i);
        MB = t.mb.value(i);
        KB = t.kb.value(i);
        Date = t.dates.value(i);
        AccessTime = t.atimes.at(std::size_t(i));
        return true;
    }
    for (;;) {
        if (s.stack.empty()) {
            if (s.nextChunk >= s.scanner.chunks_.size()) return false;
            const RowChunk& c = *s.scanner.chunks_[s.nextChunk++];
            s.stack.push_back({&c, DirPrefixes(c, c.rootPrefix)});
            continue;
        }
        State::Level& level = s.stack.back();
        const RowChunk& c = *level.chunk;
        if (level.splice < c.splices.size() && c.splices[level.splice].pos == level.next) {
            const RowChunk::Splice& sp = c.splices[level.splice++];
            QString prefix = level.prefixes[sp.dir];
            s.stack.push_back({sp.chunk.get(), DirPrefixes(*sp.chunk, prefix)});
            continue;
        }
        if (level.next == c.rows.size()) {
            s.stack.pop_back();
            continue;
        }
        const RowChunk::Row& r = c.rows[level.next++];
        Path = JoinName(level.prefixes[r.dir], c.names.data() + r.nameOff, r.nameLen);
        const auto& texts = s.cache.SizeTexts(r.size);
        MB = texts.mb;
        KB = texts.kb;
        Date = s.cache.Date(std::time_t(r.mtime));
        AccessTime = std::time_t(r.atime);
        return true;
    }
}

void DirScanner::ForEachFileRow(const std::function<void(const FileRowFacts&)>& row) const {
    FileRowFacts facts;
    if (maker_) {
        // Straight from the maker: a snapshot's million rows need no lists.
        maker_([&](const QString& path, const QString& mb, const QString& kb, const QString& date) {
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/')) + 1;
            facts.folder = path.left(slash);
            facts.name = path.mid(slash);
            facts.mb = mb;
            facts.kb = kb;
            facts.date = date;
            row(facts);
        });
        return;
    }
    TextCache cache;
    for (const auto& c : chunks_)
        VisitRows(*c, c->rootPrefix, cache, facts, row);
}

void DirScanner::SetFileRows(qsizetype count, FileRowMaker make) {
    ClearFileRows();
    maker_ = std::move(make);
    makerCount_ = count;
}

qsizetype DirScanner::FileRowCount() const {
    if (maker_) return makerCount_;
    qsizetype n = 0;
    for (const auto& c : chunks_)
        n += qsizetype(c->RowCount());
    return n;
}

void DirScanner::Measure() {
    EntryPaths.clear();
    EntryMB.clear();
    EntryKB.clear();
    ClearFileRows();
    ListEntries(FolderPath);
    MeasureEntries(EntryPaths, FolderPath);
}

void DirScanner::ListEntries(const QString& folder) {
    const QString p = WithDelimiter(folder);
    const int fd = DirReader::OpenDir(AT_FDCWD, NativePath(p).constData(), true);
    if (fd >= 0) {
        DirReader reader(fd);
        DirReader::Entry e{};
        struct stat st {};
        while (reader.Next(e) && !Cancelled()) {
            if (e.name[0] == '.') continue;
            bool isDir = e.type == DT_DIR;
            if (e.type == DT_UNKNOWN)
                isDir = ::fstatat(fd, e.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            if (isDir) EntryPaths.append(JoinName(p, e.name, e.length));
        }
    }
    EntryPaths.append(p + AllFilesName());
    if (HasFreeSpaceRow(p)) EntryPaths.append(p + FreeSpaceName());
}

void DirScanner::MeasureEntries(const QStringList& entries, const QString& folder) {
    const bool freeRow = HasFreeSpaceRow(folder);
    const int n = std::max<int>(0, int(entries.size()) - (freeRow ? 2 : 1));
    // entries may be EntryPaths itself; keep a copy of the rows to walk.
    const QStringList rows = entries.mid(0, n);
    const MountTypes mounts;
    const qint64 minSize = MinFileSizeBytes;
    WideSizeValue total = 0;
    if (Progress) Progress->SetProgressMax(n + 1);

    auto addRow = [&](qint64 bytes) {
        const WideSizeValue v = BytesToSizeValue(bytes);
        total += v;
        EntryMB.append(SizeText(suMB, v));
        EntryKB.append(SizeText(suKB, v));
        if (Progress) Progress->SetAddProgress(1);
    };

    // Rows walked from here on are appended; texts already made are out of date.
    texts_.reset();
    FoldersHandedOver = 0;
    const int workers = WorkerCount(n, folder);
    if (workers <= 1) {
        Walker walker(mounts, minSize, cancel_);
        for (const QString& row : rows) {
            if (Cancelled()) return;
            auto chunk = std::make_unique<RowChunk>();
            const qint64 bytes = walker.Folder(row, true, *chunk);
            chunks_.push_back(std::move(chunk));
            addRow(bytes);
        }
    } else {
        WalkPool pool(rows, mounts, minSize, cancel_, workers);
        for (int i = 0; i < n; ++i) {
            if (Cancelled()) return;
            std::unique_ptr<RowChunk> chunk;
            qint64 bytes = 0;
            if (!pool.Row(i, chunk, bytes)) break;
            chunks_.push_back(std::move(chunk));
            addRow(bytes);
        }
        pool.Rethrow();
        FoldersHandedOver = pool.HandedOver();
    }

    if (Cancelled()) return;
    Walker walker(mounts, minSize, cancel_);
    auto own = std::make_unique<RowChunk>();
    addRow(walker.Folder(folder, false, *own));
    chunks_.push_back(std::move(own));
    if (Cancelled()) return;

    TotalSize = total;
    TotalGBText = SizeText(suGB, total);
    if (freeRow) {
        const qint64 f = FreeBytes(WithDelimiter(folder));
        EntryMB.append(SizeText(suMB, BytesToSizeValue(f)));
        EntryKB.append(SizeText(suKB, BytesToSizeValue(f)));
    }
}

WideSizeValue DirScanner::FolderBytes(const QString& folder, bool recurse) {
    const MountTypes mounts;
    Walker walker(mounts, MinFileSizeBytes, cancel_);
    auto chunk = std::make_unique<RowChunk>();
    const qint64 bytes = walker.Folder(folder, recurse, *chunk);
    texts_.reset();
    chunks_.push_back(std::move(chunk));
    return BytesToSizeValue(bytes);
}

void DirScanner::TakeResults(DirScanner& other) {
    FolderPath = other.FolderPath;
    TotalGBText = other.TotalGBText;
    EntryPaths.swap(other.EntryPaths);
    EntryMB.swap(other.EntryMB);
    EntryKB.swap(other.EntryKB);
    IncludeFreeSpace = other.IncludeFreeSpace;
    TotalSize = other.TotalSize;
    FoldersHandedOver = other.FoldersHandedOver;
    chunks_.swap(other.chunks_);
    texts_.swap(other.texts_);
    maker_.swap(other.maker_);
    std::swap(makerCount_, other.makerCount_);
}
