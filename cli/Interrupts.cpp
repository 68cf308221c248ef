#include "cli/Interrupts.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include <QDir>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

std::mutex commitLock;
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
        std::lock_guard commit(commitLock);
        RemoveScratch();
        std::_Exit(128 + sig);
    }).detach();
}

ReportInterrupts::~ReportInterrupts() {
    RemoveScratch();
}

std::mutex& ReportInterrupts::CommitLock() {
    return commitLock;
}

QString ReportInterrupts::MakeScratch(const QString& near) {
    QString folder = QDir::tempPath();
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
