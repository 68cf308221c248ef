// The treemap's speed at 1920x1080.
//   treemap_bench memory [ENTRIES]   a generated tree in memory (default 10 million
//                                    entries): first picture, its memory growth
//   treemap_bench page FOLDER        the Treemap page after a run of FOLDER (e.g. the
//                                    tree of bench/million_tree.py): first picture,
//                                    longest event-loop gap meanwhile, redraw after
//                                    going into a subfolder
//   treemap_bench window FOLDER SECONDS   the window on the Treemap page after a run
//                                    of FOLDER, for a screenshot
// Run the page forms with QT_QPA_PLATFORM=offscreen or under xvfb-run.
#include "core/settings/IniFile.h"
#include "core/tree/TreeBuilder.h"
#include "core/treemap/TreemapRender.h"
#include "gui/commands/CommandTable.h"
#include "gui/pages/TreemapPage.h"
#include "gui/pages/TreemapView.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

long StatusKB(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Folders of 100 entries, 100 files in each lowest one, sizes spread from bytes
// to megabytes, names with the extensions of every type group.
TreeBuilder Generate(std::size_t entries) {
    static const char* const kExt[] = {".jpg", ".mkv", ".mp3", ".tar.gz", ".pdf",
                                       ".cpp", ".so",  ".dat", ".png",    ".txt"};
    TreeBuilder t("/generated", entries + entries / 50);
    std::uint64_t seed = 88172645463325252ull;
    auto next = [&] {
        seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
        return seed;
    };
    const std::size_t leaves = entries / 101 + 1; // a folder and its 100 files
    const std::size_t tops = (leaves + 9999) / 10000;
    std::size_t made = 0;
    char name[32];
    for (std::size_t a = 0; a < tops && made < leaves; ++a) {
        std::snprintf(name, sizeof name, "top%03zu", a);
        const Tree::Index top = t.Add(0, name, 0, true);
        for (int b = 0; b < 100 && made < leaves; ++b) {
            std::snprintf(name, sizeof name, "mid%02d", b);
            const Tree::Index mid = t.Add(top, name, 0, true);
            for (int c = 0; c < 100 && made < leaves; ++c, ++made) {
                std::snprintf(name, sizeof name, "leaf%02d", c);
                const Tree::Index leaf = t.Add(mid, name, 0, true);
                for (int f = 0; f < 100; ++f) {
                    const std::uint64_t r = next();
                    std::snprintf(name, sizeof name, "f%02d%s", f, kExt[r % 10]);
                    t.Add(leaf, name, std::int64_t(1) << ((r >> 8) % 24), false);
                }
            }
        }
    }
    t.Finish();
    return t;
}

int Memory(std::size_t entries) {
    QElapsedTimer clock;
    clock.start();
    const TreeBuilder tree = Generate(entries);
    std::printf("generated %zu entries in %.2f s, tree %.0f MB\n", tree.Count(),
                clock.nsecsElapsed() / 1e9, tree.MemoryBytes() / 1048576.0);
    // The peak from here on is the picture's.
    if (QFile f(QStringLiteral("/proc/self/clear_refs")); f.open(QIODevice::WriteOnly))
        f.write("5");
    const long before = StatusKB("VmRSS:");
    TreemapOptions o;
    o.width = 1920, o.height = 1080;
    for (int round = 0; round < 3; ++round) {
        clock.restart();
        const std::clock_t cpu = std::clock();
        const TreemapLayout map = TreemapLayout::Make(tree, 0, o);
        const double layout = clock.nsecsElapsed() / 1e6;
        const TypeGroupTable groups = GroupTypes(tree, 0);
        const double types = clock.nsecsElapsed() / 1e6 - layout;
        const RawPicture pic = RenderTreemap(tree, map, groups, TreemapStyle{});
        const double all = clock.nsecsElapsed() / 1e6;
        std::printf("picture %d: %.0f ms (layout %.0f, types %.0f, drawing %.0f; %.0f ms of "
                    "processor time), %zu tiles\n",
                    round + 1, all, layout, types, all - layout - types,
                    double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC, map.Tiles().size());
    }
    std::printf("memory growth for the picture: peak %.1f MB above the tree\n",
                (StatusKB("VmHWM:") - before) / 1024.0);
    return 0;
}

// Longest gap between the ticks of a 5 ms timer while something runs.
struct TickGaps {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    TickGaps() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
    }
    void Start() {
        clock.start();
        last = 0, longest = 0;
        timer.start();
    }
    qint64 Stop() {
        timer.stop();
        return std::max(longest, clock.elapsed() - last);
    }
};

// Waits for the page's next picture; its time from start in ms.
double WaitPicture(TreemapPage& page, const QElapsedTimer& since) {
    bool shown = false;
    const auto c = QObject::connect(&page, &TreemapPage::PictureShown, [&] { shown = true; });
    while (!shown)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(c);
    return since.nsecsElapsed() / 1e6;
}

int Page(const QString& folderArg) {
    QTemporaryDir tmp;
    AnalysisSession session(tmp.filePath(QStringLiteral("Morvane.ini")));
    QWidget owner; // holds the commands
    CommandTable commands(&owner);
    TreemapPage page(session, commands);
    page.View()->setFixedSize(1920, 1080);
    page.show();
    QString folder = folderArg.endsWith(QLatin1Char('/')) ? folderArg : folderArg + '/';
    session.SelectFolder(folder);
    QElapsedTimer clock;
    QObject::connect(&session, &AnalysisSession::ShownTreeChanged, [&] { clock.start(); });
    TickGaps gaps;
    QObject::connect(&session, &AnalysisSession::ShownTreeChanged, [&] { gaps.Start(); });
    const QElapsedTimer walk = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    if (!session.Measure(folder, false, nullptr)) return 1;
    std::printf("run of %s: %.2f s, %zu entries\n", qPrintable(folder), walk.nsecsElapsed() / 1e9,
                session.ShownTree()->Count());
    const double first = WaitPicture(page, clock);
    std::printf("first picture after the run: %.0f ms (made in %lld ms, %lld ms of processor "
                "time), longest event-loop gap %lld ms\n",
                first, page.View()->Result()->millis, page.View()->Result()->cpuMillis,
                gaps.Stop());
    const Tree& tree = *session.ShownTree();
    const Tree::Index sub = tree.FirstChild(0);
    for (Tree::Index at : {sub, Tree::Index(0), tree.FirstChild(sub), Tree::Index(0)}) {
        clock.start();
        gaps.Start();
        session.SelectFolder(tree.Path(at));
        const double ms = WaitPicture(page, clock);
        std::printf("redraw into %s: %.0f ms (%lld ms of processor time), longest gap %lld ms\n",
                    qPrintable(tree.Path(at)), ms, page.View()->Result()->cpuMillis, gaps.Stop());
    }
    return 0;
}

int Window(const QString& folder, int seconds) {
    QTemporaryDir tmp;
    const QString ini = tmp.filePath(QStringLiteral("Morvane.ini"));
    WriteIniInteger(ini, QStringLiteral("Page"), QStringLiteral("TabSheet"), MainWindow::pgTreemap);
    WriteIniString(ini, QStringLiteral("LastDir"), QStringLiteral("Start with"), folder);
    WriteIniInteger(ini, QStringLiteral("Bounds"), QStringLiteral("width"), 1360);
    WriteIniInteger(ini, QStringLiteral("Bounds"), QStringLiteral("height"), 740);
    WriteIniInteger(ini, QStringLiteral("Bounds"), QStringLiteral("left"), 0);
    WriteIniInteger(ini, QStringLiteral("Bounds"), QStringLiteral("top"), 0);
    MainWindow form(ini);
    form.show();
    QTimer::singleShot(300, &form, [&form] { form.Action(QStringLiteral("actRun"))->trigger(); });
    QTimer::singleShot(seconds * 1000, &form, &QWidget::close);
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "memory") return Memory(argc > 2 ? std::size_t(std::stoull(argv[2])) : 10'000'000);
    QApplication app(argc, argv);
    if (mode == "page" && argc > 2) return Page(QString::fromLocal8Bit(argv[2]));
    if (mode == "window" && argc > 3)
        return Window(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr, "usage: treemap_bench memory [ENTRIES] | page FOLDER | window FOLDER "
                         "SECONDS\n");
    return 2;
}
