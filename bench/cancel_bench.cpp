// How long a walk takes to stop once cancelled: walks FOLDER (default /usr) on
// a worker thread, cancels it after DELAY ms (default 200) and prints the time
// from the cancel to the end of the walk. Run it several times, with the cache
// dropped first for the cold case.
#include "core/engine/DirScanner.h"
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/usr");
    const int delayMs = argc > 2 ? std::atoi(argv[2]) : 200;
    using Clock = std::chrono::steady_clock;
    for (int threads : {1, 0}) {
        DirScanner d;
        d.Threads = threads;
        d.FolderPath = folder.endsWith('/') ? folder : folder + '/';
        Clock::time_point cancelled;
        std::thread walk([&] { d.Measure(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        cancelled = Clock::now();
        d.Cancel();
        walk.join();
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - cancelled).count();
        std::printf("threads %s: stopped %.1f ms after the cancel (%lld rows so far)\n",
                    threads == 1 ? "1" : "default", ms, static_cast<long long>(d.FileRowCount()));
    }
    return 0;
}
