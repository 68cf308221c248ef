#include "gui/session/AnalysisRun.h"
#include "core/engine/DirScanner.h"
#include <QEventLoop>
#include <QMetaObject>
#include <atomic>
#include <exception>
#include <thread>

namespace {

// Progress calls of the worker, passed on to the window's thread. Steps that
// arrive while one hand-over is pending are added up, so a folder with many
// subfolders does not flood the event queue.
class ProgressRelay : public IProgress {
public:
    ProgressRelay(IProgress* target, QObject* context) : target_(target), context_(context) {}
    void SetProgressMax(int max) override {
        if (!target_) return;
        QMetaObject::invokeMethod(
            context_, [t = target_, max] { t->SetProgressMax(max); }, Qt::QueuedConnection);
    }
    void SetAddProgress(int n) override {
        if (!target_) return;
        added_.fetch_add(n);
        if (pending_.exchange(true)) return;
        QMetaObject::invokeMethod(
            context_,
            [this] {
                pending_ = false;
                target_->SetAddProgress(added_.exchange(0));
            },
            Qt::QueuedConnection);
    }

private:
    IProgress* target_;
    QObject* context_; // calls still queued when it goes are dropped
    std::atomic<int> added_{0};
    std::atomic<bool> pending_{false};
};

std::function<void()>& WorkerStartHook() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

void AnalysisRun::SetWorkerStartHook(std::function<void()> hook) {
    WorkerStartHook() = std::move(hook);
}

bool AnalysisRun::Execute(DirScanner& scanner, IProgress* progress) {
    QEventLoop loop;
    ProgressRelay relay(progress, &loop);
    scanner.Progress = &relay;
    scanner_ = &scanner;
    std::exception_ptr failure;
    std::thread worker([&, hook = WorkerStartHook()] {
        try {
            if (hook) hook();
            scanner.Measure();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    scanner_ = nullptr;
    scanner.Progress = nullptr;
    if (failure) std::rethrow_exception(failure);
    return !scanner.Cancelled();
}

void AnalysisRun::Cancel() {
    if (scanner_) scanner_->Cancel();
}
