#include "cli/Interrupts.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

std::mutex commitLock;
std::atomic<bool> committed{false};
std::mutex scratchLock;
QByteArray scratchDir; // under scratchLock

sigset_t InterruptSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void RemoveScratch() {
    std::lock_guard lock(scratchLock);
    if (scratchDir.isEmpty()) return;
    // A writer may still add a file while the folder is emptied: try again.
    for (int i = 0; i < 3 && ::access(scratchDir.constData(), F_OK) == 0; ++i)
        RemoveTree(scratchDir);
    scratchDir.clear();
}

} // namespace

ReportInterrupts::ReportInterrupts() {
    const sigset_t set = InterruptSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        int sig = 0;
        while (sigwait(&set, &sig) != 0) {
        }
        // A commit under way is let finish, unless a second signal says to stop
        // now (a reader that never empties its pipe would hold it for ever).
        while (!commitLock.try_lock()) {
            const timespec pause{0, 20'000'000};
            if (const int again = sigtimedwait(&set, nullptr, &pause); again > 0)
                std::_Exit(128 + again);
        }
        RemoveScratch();
        std::_Exit(committed ? 0 : 128 + sig);
    }).detach();
}

ReportInterrupts::~ReportInterrupts() {
    RemoveScratch();
}

std::mutex& ReportInterrupts::CommitLock() {
    return commitLock;
}

void ReportInterrupts::Committed() {
    committed = true;
}

QString ReportInterrupts::MakeScratch(const QString& near) {
    QString folder = TempFolder();
    if (!near.isEmpty()) {
        const qsizetype slash = near.lastIndexOf(QLatin1Char('/'));
        folder = slash < 0 ? QStringLiteral(".") : near.left(std::max<qsizetype>(slash, 1));
    }
    QByteArray templ = NativePath(folder + QStringLiteral("/.morvane-report-XXXXXX"));
    if (!::mkdtemp(templ.data())) return {};
    std::lock_guard lock(scratchLock);
    scratchDir = templ;
    return PathFromNative(templ);
}
