#pragma once
// An analysis on a worker thread. The window's events go on meanwhile, so Esc
// and Run can stop it; the scanner's progress reaches the gauge on the window's
// thread. The caller measures into a scanner of its own and keeps its previous
// results until the run has finished.
#include <functional>

class DirScanner;
class IProgress;

class AnalysisRun {
public:
    // Measures scanner, handling events until it is done: true when it finished,
    // false when Cancel stopped it. A failure of the walk is thrown again here.
    bool Execute(DirScanner& scanner, IProgress* progress);
    // Stops the running walk within a fraction of a second.
    void Cancel();
    bool Running() const { return scanner_ != nullptr; }

    // Called on the worker thread before the walk starts (tests hold a run there).
    static void SetWorkerStartHook(std::function<void()> hook);

private:
    DirScanner* scanner_ = nullptr;
};
