// The whole-tree model of a run on a real tree: entries, bytes per entry beside
// the names, the walk's time and the process's peak memory.
// usage: tree_bench FOLDER [THREADS]      (e.g. the tree of bench/million_tree.py)
#include "core/engine/DirScanner.h"
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

namespace {

long PeakKB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tree_bench FOLDER [THREADS]\n");
        return 2;
    }
    DirScanner d;
    d.FolderPath = QString::fromLocal8Bit(argv[1]);
    if (!d.FolderPath.endsWith(QLatin1Char('/'))) d.FolderPath += QLatin1Char('/');
    d.Threads = argc > 2 ? std::atoi(argv[2]) : 0;
    QElapsedTimer t;
    t.start();
    d.Measure();
    const double s = t.nsecsElapsed() / 1e9;
    const auto tree = d.LastTree();
    if (!tree) return 1;
    std::size_t names = 0;
    for (Tree::Index i = 0; i < tree->Count(); ++i)
        names += tree->At(i).nameLen;
    const std::size_t bytes = tree->MemoryBytes();
    std::printf("entries %zu, tree %.1f MB (%zu names), %.2f bytes per entry beside its "
                "name, walk %.3f s, peak RSS %.1f MB\n",
                tree->Count(), bytes / 1048576.0, names,
                double(bytes - names) / double(tree->Count()), s, PeakKB() / 1024.0);
    return 0;
}
