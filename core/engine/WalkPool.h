#pragma once
#include "core/engine/Walker.h"
#include <QStringList>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

// The parallel walk: workers take the subfolder rows in order and, once the rows
// run out, folders that busy workers hand over. A row is finished when its own
// walk and every folder handed over from it are done; the calling thread takes
// the rows in order, so lists and texts are those of a one-thread walk.
//
// The pool starts with workers threads and adds one, up to maxWorkers, whenever
// a walker spent a good part of its last few milliseconds blocked: a cold walk
// waits for the disk, and more reads in flight are served together, while a
// warm walk only loses time to threads beyond the cores.
// When to add a thread: the walkers' spans of at least sampleNs each are summed
// until they make windowNs; a thread is added when the walkers were blocked for
// more than blockedShare of that time, or waited for a core for more than
// delayedShare of it, in windows windows in a row. Warm, a walk is blocked for
// 0 to 2 % of its time; cold, for most of it.
struct WalkPacing {
    double blockedShare = 0.05;
    double delayedShare = 0.5;
    std::int64_t sampleNs = 2'000'000;
    std::int64_t windowNs = 10'000'000;
    int windows = 2; // in a row
};

class WalkPool : public IWalkPool {
public:
    static inline WalkPacing pacing; // tests make it add threads at once

    WalkPool(const QStringList& rows, const MountTypes& mounts, const std::atomic<bool>& cancel,
             int workers, int maxWorkers = 0)
        : rows_(rows), mounts_(mounts), cancel_(cancel), n_(int(rows.size())), parts_(rows.size()),
          pending_(rows.size(), 1), bytes_(rows.size(), 0),
          maxWorkers_(std::max(workers, maxWorkers)), pacing_(pacing) {
        for (auto& p : parts_)
            p = std::make_unique<TreePart>();
        threads_.reserve(std::size_t(maxWorkers_));
        std::lock_guard lock(m_);
        for (int w = 0; w < workers; ++w)
            AddThread();
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
    bool Row(int i, std::unique_ptr<TreePart>& part, std::int64_t& bytes) {
        std::unique_lock lock(m_);
        done_.wait(lock, [&] { return pending_[std::size_t(i)] == 0 || failure_; });
        if (failure_) return false;
        part = std::move(parts_[std::size_t(i)]);
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
    // Threads started so far.
    int Threads() {
        std::lock_guard lock(m_);
        return int(threads_.size());
    }

    bool MayGrow() const override { return mayGrow_.load(std::memory_order_relaxed); }
    std::int64_t SampleSpan() const override { return pacing_.sampleNs; }
    void Waited(std::int64_t blocked, std::int64_t delayed, std::int64_t span) override {
        std::lock_guard lock(m_);
        blocked_ += blocked;
        delayed_ += delayed;
        span_ += span;
        if (span_ < pacing_.windowNs) return;
        // A stray stall (memory, the lock) is no reason, a disk read in every
        // window is: warm walks on this machine showed lone windows blocked for
        // up to 80 %, cold ones are blocked window after window. Walkers that
        // mostly wait for a core share it with other programs: more threads
        // get the walk a fairer share, as the fixed default did.
        const bool waited = double(blocked_) > pacing_.blockedShare * double(span_) ||
                            double(delayed_) > pacing_.delayedShare * double(span_);
        streak_ = waited ? streak_ + 1 : 0;
        blocked_ = delayed_ = span_ = 0;
        if (streak_ >= pacing_.windows && !stop_ && mayGrow_.load(std::memory_order_relaxed))
            AddThread();
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
    // Under m_.
    void AddThread() {
        threads_.emplace_back([this] { Work(); });
        mayGrow_.store(int(threads_.size()) < maxWorkers_, std::memory_order_relaxed);
    }

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
            std::int64_t bytes = 0;
            try {
                if (!walker) walker.emplace(mounts_, cancel_, this);
                bytes = task.out
                            ? walker->Task(task)
                            : walker->Folder(rows_.at(row), true, *parts_[std::size_t(row)], row);
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
    const std::atomic<bool>& cancel_;
    const int n_;
    std::mutex m_;
    std::condition_variable work_, done_;
    std::vector<std::unique_ptr<TreePart>> parts_;
    std::vector<int> pending_; // per row: its walk and the folders handed over from it
    std::vector<std::int64_t> bytes_;
    std::vector<WalkTask> tasks_;
    int next_ = 0;
    int active_ = 0;
    int handedOver_ = 0;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::atomic<int> idle_{0}, queued_{0};
    const int maxWorkers_;
    const WalkPacing pacing_;
    std::atomic<bool> mayGrow_{false};
    std::int64_t blocked_ = 0, delayed_ = 0, span_ = 0; // of the current window
    int streak_ = 0;                                    // windows in a row blocked for long
    std::vector<std::jthread> threads_;                 // last: joined before the rest goes
};
