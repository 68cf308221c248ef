#pragma once
// One thread's walk of a folder into a TreePart, and what it hands to other
// threads: depth first, each folder opened once (below the open levels, again
// after each subfolder), everything relative to the open folder, sizes summed
// as integers, every entry recorded as a node.
#include "core/engine/PseudoFs.h"
#include "core/tree/TreePart.h"
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

// A subfolder handed from one walker to another: its open handle, the descent
// path down to it, and the part its entries go to.
struct WalkTask {
    int fd = -1;
    dev_t dev = 0;
    std::vector<std::pair<dev_t, ino_t>> path;
    TreePart* out = nullptr;
    int row = 0;

    WalkTask() = default;
    WalkTask(WalkTask&& o) noexcept
        : fd(std::exchange(o.fd, -1)), dev(o.dev), path(std::move(o.path)), out(o.out), row(o.row) {
    }
    WalkTask& operator=(WalkTask&& o) noexcept;
    ~WalkTask();
};

// Where a busy walker hands a folder over to a thread that has nothing to do.
class IWalkPool {
public:
    virtual ~IWalkPool() = default;
    // True while a worker waits for work that nobody has handed over yet.
    virtual bool WantsWork() const = 0;
    virtual void HandOver(WalkTask task) = 0;
    // True while the pool may still add threads: only then do walkers tell it
    // how long they wait, once per span of at least SampleSpan ns.
    virtual bool MayGrow() const { return false; }
    virtual std::int64_t SampleSpan() const { return 0; }
    // Of the last span (ns) of a walker's walk, blocked ns were spent neither
    // on a core nor waiting for one (waiting for the disk, mostly), delayed ns
    // waiting for a core.
    virtual void Waited(std::int64_t /*blocked*/, std::int64_t /*delayed*/, std::int64_t /*span*/) {
    }
};

// How long the calling thread was blocked (asleep, not waiting for a core) and
// delayed (ready, waiting for a core) since the last Sample, from the kernel's
// scheduler statistics of the thread.
class WaitMeter {
public:
    WaitMeter();
    ~WaitMeter();
    WaitMeter(const WaitMeter&) = delete;
    WaitMeter& operator=(const WaitMeter&) = delete;
    // False where the kernel keeps no such statistics.
    bool Works() const { return fd_ >= 0; }
    // Starts a new span now.
    void Restart();
    // Once the span has lasted minSpan ns: its blocked, delayed and whole ns,
    // and the next span starts. False before then (the clock read alone, which
    // costs no system call) and when the statistics cannot be read.
    bool Sample(std::int64_t minSpan, std::int64_t& blocked, std::int64_t& delayed,
                std::int64_t& span);

private:
    static std::int64_t Now();
    bool Read(std::int64_t& ran, std::int64_t& delayed) const;
    int fd_ = -1;
    bool started_ = false;
    std::int64_t now_ = 0, ran_ = 0, delayed_ = 0;
};

// Byte totals stop at the largest 64-bit count (8 EiB) instead of wrapping: only
// sparse files can claim that much, and their texts are made wider still.
void AddBytes(std::int64_t& total, std::int64_t bytes);

class Walker {
public:
    Walker(const MountTypes& mounts, const std::atomic<bool>& cancel, IWalkPool* pool = nullptr)
        : mounts_(mounts), cancel_(cancel), pool_(pool) {}

    // Byte total of folder; its entries go to out (below out's top, which is
    // folder). row tells the pool which row the folders handed over belong to.
    // top, when given, gets folder's status (left zero when it cannot be read).
    std::int64_t Folder(const QString& folder, bool recurse, TreePart& out, int row = 0,
                        struct stat* top = nullptr);
    // Byte total of a folder handed over by another walker.
    std::int64_t Task(WalkTask& task);

private:
    [[gnu::always_inline]] inline bool Visit(int fd, const char* name, std::size_t length,
                                             unsigned char type, Tree::Index dir, dev_t dev,
                                             bool recurse, std::int64_t& total, int& child,
                                             Tree::Index& sub, struct stat& st);
    std::int64_t Walk(int fd, Tree::Index dir, dev_t dev, bool recurse);
    int WalkDeep(int fd, Tree::Index dir, dev_t dev, std::int64_t& total);
    // Every few entries: tells the pool how long this walker waits.
    void Pace();
    // Checked once per entry: a cancelled walk unwinds within a few entries.
    bool Stopped() const { return cancel_.load(std::memory_order_relaxed); }
    bool OnPath(dev_t dev, ino_t ino) const;
    bool IsPseudo(int fd, dev_t dev);
    void AddAncestors(const QByteArray& prefix);

    // Levels that keep their folder open. Below them a folder is read whole and
    // closed while its subfolders are walked, so no depth runs out of handles.
    static constexpr std::size_t kOpenLevels = 100;

    const MountTypes& mounts_;
    const std::atomic<bool>& cancel_;
    IWalkPool* const pool_;
    TreePart* out_ = nullptr;
    int row_ = 0;
    std::vector<std::pair<dev_t, ino_t>> path_;
    std::unordered_map<dev_t, bool> pseudo_;
    std::vector<std::unique_ptr<char[]>> buffers_; // one read buffer per open level
    std::unique_ptr<char[]> deepBuffer_;           // shared by the levels below
    std::unique_ptr<WaitMeter> meter_;             // while the pool may grow
    unsigned ticks_ = 0;
};
