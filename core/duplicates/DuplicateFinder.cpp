#include "core/duplicates/DuplicateFinder.h"
#include "core/duplicates/FileCatalog.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <xxhash.h>

namespace {

constexpr std::uint64_t kEdge = 4096;       // head and tail
constexpr std::size_t kBlock = 1024 * 1024; // one read of the whole-file pass

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// A file still in the race: its record and what the stages found so far.
struct Candidate {
    std::uint32_t file;
    bool final = false; // key is the XXH3-128 of the whole file
    bool dropped = false;
    std::uint64_t key1 = 0, key2 = 0;
};

enum class ReadOutcome { Ok, Unreadable, Changed };

// Opens a file of the catalog without following a link, and without updating
// its access time where the caller may; checks it is still what the walk saw.
class OpenFile {
public:
    OpenFile(const std::string& path, const FileCatalog::File& f) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME);
        if (fd_ < 0 && errno == EPERM)
            fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        same_ = Unchanged(f);
    }
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int fd() const { return fd_; }
    int error() const { return error_; }
    bool same() const { return same_; }
    bool Unchanged(const FileCatalog::File& f) const {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return false;
        return std::uint64_t(st.st_size) == f.size && std::uint64_t(st.st_ino) == f.inode &&
               std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == f.mtimeNs;
    }
    // Reads exactly length bytes at offset; false on a short read or an error.
    bool ReadAt(char* buffer, std::size_t length, std::uint64_t offset) {
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = ::pread(fd_, buffer + done, length - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error_ = errno;
            if (n <= 0) return false;
            done += std::size_t(n);
        }
        return true;
    }

private:
    int fd_ = -1;
    int error_ = 0;
    bool same_ = false;
};

struct XxhState {
    XXH3_state_t* state = XXH3_createState();
    ~XxhState() { XXH3_freeState(state); }
};

class Search {
public:
    Search(const DuplicateOptions& o, const std::atomic<bool>* cancel, DuplicateProgress* p)
        : options_(o), cancel_(cancel), progress_(p) {
        threads_ = o.threads > 0 ? o.threads : 4;
    }

    DuplicateResult Run(const std::vector<std::string>& roots);

private:
    void Stage(DuplicateStage s, std::size_t total) {
        if (options_.stageStarted) options_.stageStarted(s);
        if (!progress_) return;
        progress_->filesDone = 0;
        progress_->filesTotal = total;
        progress_->stage = int(s);
    }
    void SizeGroups();
    // Keeps the candidates that still share (size, keys) with another one.
    void KeepShared();
    // Runs read on every candidate not yet final, a few at a time.
    void ReadAll(const std::function<ReadOutcome(Candidate&, char*, XXH3_state_t*)>& read);
    ReadOutcome ReadEdge(Candidate& c, char* buffer, bool tail);
    ReadOutcome ReadWhole(Candidate& c, char* buffer, XXH3_state_t* state);
    void Problem(const FileCatalog::File& f, const std::string& message, bool changed) {
        const std::lock_guard lock(problemsLock_);
        result_.problems.push_back({catalog_.Path(f), message, changed});
    }
    void Collect();

    const DuplicateOptions& options_;
    const std::atomic<bool>* cancel_;
    DuplicateProgress* progress_;
    int threads_;
    FileCatalog catalog_;
    std::vector<Candidate> candidates_;
    std::mutex problemsLock_;
    DuplicateResult result_;
};

void Search::SizeGroups() {
    const auto& files = catalog_.Files();
    std::vector<std::uint32_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = std::uint32_t(i);
    // By size, then by inode so that the names of one inode lie together; the
    // first name met by the walk stands for the inode.
    std::sort(order.begin(), order.end(), [&files](std::uint32_t a, std::uint32_t b) {
        const auto& x = files[a];
        const auto& y = files[b];
        if (x.size != y.size) return x.size < y.size;
        if (x.device != y.device) return x.device < y.device;
        if (x.inode != y.inode) return x.inode < y.inode;
        return a < b;
    });
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        std::size_t inodes = 0;
        const std::size_t firstCandidate = candidates_.size();
        for (; j < order.size() && files[order[j]].size == files[order[i]].size; ++j) {
            const auto& f = files[order[j]];
            if (j > i && f.inode == files[order[j - 1]].inode &&
                f.device == files[order[j - 1]].device) {
                ++result_.hardLinks;
                continue;
            }
            ++inodes;
            candidates_.push_back({order[j]});
        }
        if (inodes < 2) candidates_.resize(firstCandidate);
        i = j;
    }
    candidates_.shrink_to_fit();
}

void Search::KeepShared() {
    const auto& files = catalog_.Files();
    std::erase_if(candidates_, [](const Candidate& c) { return c.dropped; });
    auto key = [&files](const Candidate& c) {
        return std::tuple(files[c.file].size, c.key1, c.key2);
    };
    std::sort(candidates_.begin(), candidates_.end(),
              [&key](const Candidate& a, const Candidate& b) { return key(a) < key(b); });
    std::vector<Candidate> kept;
    for (std::size_t i = 0; i < candidates_.size();) {
        std::size_t j = i + 1;
        while (j < candidates_.size() && key(candidates_[j]) == key(candidates_[i]))
            ++j;
        if (j - i > 1) kept.insert(kept.end(), candidates_.begin() + i, candidates_.begin() + j);
        i = j;
    }
    candidates_ = std::move(kept);
}

void Search::ReadAll(const std::function<ReadOutcome(Candidate&, char*, XXH3_state_t*)>& read) {
    const auto& files = catalog_.Files();
    // Read in inode order: on most file systems that is close to disk order.
    std::vector<std::uint32_t> work;
    for (std::uint32_t i = 0; i < candidates_.size(); ++i)
        if (!candidates_[i].final) work.push_back(i);
    std::sort(work.begin(), work.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto& x = files[candidates_[a].file];
        const auto& y = files[candidates_[b].file];
        return std::tie(x.device, x.inode) < std::tie(y.device, y.inode);
    });
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        const std::unique_ptr<char[]> buffer(new char[kBlock]);
        XxhState state;
        for (std::size_t k; (k = next.fetch_add(1)) < work.size() && !Cancelled(cancel_);) {
            Candidate& c = candidates_[work[k]];
            const auto& f = files[c.file];
            const ReadOutcome r = read(c, buffer.get(), state.state);
            if (r != ReadOutcome::Ok) {
                c.dropped = true;
                Problem(f,
                        r == ReadOutcome::Changed ? std::string("changed while it was read")
                                                  : std::string("cannot be read"),
                        r == ReadOutcome::Changed);
            }
            if (progress_) progress_->filesDone.fetch_add(1, std::memory_order_relaxed);
        }
    };
    const int n = int(std::min<std::size_t>(std::size_t(threads_), work.size()));
    std::vector<std::thread> pool;
    for (int t = 1; t < n; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();
}

ReadOutcome Search::ReadEdge(Candidate& c, char* buffer, bool tail) {
    const auto& f = catalog_.Files()[c.file];
    OpenFile file(catalog_.Path(f), f);
    if (file.fd() < 0) return ReadOutcome::Unreadable;
    if (!file.same()) return ReadOutcome::Changed;
    // A file of up to two edges is read whole here and needs no later pass.
    const bool whole = f.size <= (tail ? 2 : 1) * kEdge;
    const std::uint64_t offset = whole ? 0 : tail ? f.size - kEdge : 0;
    const std::size_t length = whole ? std::size_t(f.size) : std::size_t(kEdge);
    if (!whole) ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_RANDOM);
    if (!file.ReadAt(buffer, length, offset))
        return file.error() ? ReadOutcome::Unreadable : ReadOutcome::Changed;
    if (whole) {
        const XXH128_hash_t h = XXH3_128bits(buffer, length);
        c.key1 = h.high64;
        c.key2 = h.low64;
        c.final = true;
    } else if (tail) {
        c.key2 = XXH3_64bits(buffer, length);
    } else {
        c.key1 = XXH3_64bits(buffer, length);
    }
    return ReadOutcome::Ok;
}

ReadOutcome Search::ReadWhole(Candidate& c, char* buffer, XXH3_state_t* state) {
    const auto& f = catalog_.Files()[c.file];
    OpenFile file(catalog_.Path(f), f);
    if (file.fd() < 0) return ReadOutcome::Unreadable;
    if (!file.same()) return ReadOutcome::Changed;
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    XXH3_128bits_reset(state);
    for (std::uint64_t at = 0; at < f.size;) {
        if (Cancelled(cancel_)) return ReadOutcome::Ok; // the result is thrown away
        const std::size_t length = std::size_t(std::min<std::uint64_t>(kBlock, f.size - at));
        if (!file.ReadAt(buffer, length, at))
            return file.error() ? ReadOutcome::Unreadable : ReadOutcome::Changed;
        XXH3_128bits_update(state, buffer, length);
        at += length;
    }
    // Written to while being read: its hash may mix two versions.
    char extra;
    if (::pread(file.fd(), &extra, 1, off_t(f.size)) != 0 || !file.Unchanged(f))
        return ReadOutcome::Changed;
    const XXH128_hash_t h = XXH3_128bits_digest(state);
    c.key1 = h.high64;
    c.key2 = h.low64;
    c.final = true;
    return ReadOutcome::Ok;
}

void Search::Collect() {
    const auto& files = catalog_.Files();
    for (std::size_t i = 0; i < candidates_.size();) {
        DuplicateGroup g;
        const Candidate& first = candidates_[i];
        g.size = files[first.file].size;
        g.hashHigh = first.key1;
        g.hashLow = first.key2;
        std::size_t j = i;
        for (; j < candidates_.size() && files[candidates_[j].file].size == g.size &&
               candidates_[j].key1 == first.key1 && candidates_[j].key2 == first.key2;
             ++j) {
            const auto& f = files[candidates_[j].file];
            g.copies.push_back({catalog_.Path(f), f.mtimeNs / 1000000000});
        }
        std::sort(g.copies.begin(), g.copies.end(),
                  [](const DuplicateCopy& a, const DuplicateCopy& b) { return a.path < b.path; });
        result_.groups.push_back(std::move(g));
        i = j;
    }
    std::sort(result_.groups.begin(), result_.groups.end(),
              [](const DuplicateGroup& a, const DuplicateGroup& b) {
                  if (a.Wasted() != b.Wasted()) return a.Wasted() > b.Wasted();
                  return a.copies.front().path < b.copies.front().path;
              });
}

DuplicateResult Search::Run(const std::vector<std::string>& roots) {
    Stage(DuplicateStage::Walk, 0);
    for (const std::string& root : roots)
        catalog_.Walk(root, options_.minSize, options_.includeEmpty, cancel_,
                      progress_ ? &progress_->filesFound : nullptr, result_.problems);
    result_.filesSeen = catalog_.Files().size();
    SizeGroups();
    Stage(DuplicateStage::Head, candidates_.size());
    ReadAll([this](Candidate& c, char* b, XXH3_state_t*) { return ReadEdge(c, b, false); });
    KeepShared();
    Stage(DuplicateStage::Tail, candidates_.size());
    ReadAll([this](Candidate& c, char* b, XXH3_state_t*) { return ReadEdge(c, b, true); });
    KeepShared();
    Stage(DuplicateStage::Whole, candidates_.size());
    ReadAll([this](Candidate& c, char* b, XXH3_state_t* s) { return ReadWhole(c, b, s); });
    KeepShared();
    if (Cancelled(cancel_)) {
        result_.cancelled = true;
        return std::move(result_);
    }
    Collect();
    Stage(DuplicateStage::Done, 0);
    std::sort(result_.problems.begin(), result_.problems.end(),
              [](const DuplicateProblem& a, const DuplicateProblem& b) { return a.path < b.path; });
    return std::move(result_);
}

} // namespace

std::string DuplicateGroup::HashText() const {
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hashHigh),
                  static_cast<unsigned long long>(hashLow));
    return text;
}

std::uint64_t DuplicateResult::Copies() const {
    std::uint64_t n = 0;
    for (const DuplicateGroup& g : groups)
        n += g.copies.size();
    return n;
}

std::uint64_t DuplicateResult::Wasted() const {
    std::uint64_t n = 0;
    for (const DuplicateGroup& g : groups)
        n += g.Wasted();
    return n;
}

DuplicateResult FindDuplicates(const std::vector<std::string>& roots,
                               const DuplicateOptions& options, const std::atomic<bool>* cancel,
                               DuplicateProgress* progress) {
    Search search(options, cancel, progress);
    return search.Run(roots);
}
