// Comparing two whole trees of N entries: an earlier one and a newer one made
// from it with a realistic share of changes (files grown, shrunk, removed and
// added, whole folders removed and added, a few kind changes; siblings in
// another order). Times the comparison alone on trees in memory, then writes
// both as snapshot files into /tmp, reads them back and compares again, giving
// the reading time apart. Memory: the comparison's own (change vector, flags,
// entries) and the peak growth of the process while comparing, beside one tree's.
// usage: compare_bench [ENTRIES] [--no-files]     (default 1000000)
#include "core/compare/TreeCompare.h"
#include "core/snapshot/Snapshot.h"
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

long StatusKB(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

void ResetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// A tree filled in depth-first order, as the walk and the reader fill theirs.
class GeneratedTree : public Tree {
public:
    Index Add(Index parent, const std::string& name, std::int64_t size, std::uint8_t flags) {
        Node n;
        n.parent = parent;
        n.nameOff = std::uint32_t(names_.size());
        n.nameLen = std::uint16_t(name.size());
        n.flags = flags;
        if (!(flags & Folder)) n.size = size;
        names_ += name;
        nodes_.push_back(n);
        return Index(nodes_.size() - 1);
    }
    void Done() { Finish(std::numeric_limits<std::int64_t>::max()); }
};

// Both trees come from the same seeds, so they hold the same entries; the newer
// one draws changes from a second stream of each folder's seed.
struct Generator {
    bool newer;
    std::size_t budget; // entries of the earlier tree still to make

    void Folder(GeneratedTree& t, Tree::Index self, std::uint64_t seed, int depth) {
        std::mt19937_64 shape(seed), change(seed ^ 0x9E3779B97F4A7C15ull);
        const int files = int(shape() % 24), subs = depth < 7 ? int(shape() % 5) : 0;
        struct Kid {
            std::string name;
            std::int64_t size;
            std::uint8_t flags;
            std::uint64_t seed;
        };
        std::vector<Kid> kids;
        for (int i = 0; i < files && budget > 0; ++i, --budget) {
            Kid k{"file-" + std::to_string(shape() % 100000) + "-" + std::to_string(i) + ".data",
                  std::int64_t(shape() % (1u << 20)), 0, 0};
            const unsigned roll = unsigned(change() % 1000);
            if (newer) {
                if (roll < 20)
                    k.size += std::int64_t(change() % (8u << 20)); // grew
                else if (roll < 30)
                    k.size /= 3; // shrank
                else if (roll < 35)
                    continue; // removed
                else if (roll < 37)
                    k.flags = Tree::NotRegular; // now a link
            }
            kids.push_back(k);
            if (newer && roll >= 990) // a new file beside it
                kids.push_back({k.name + ".new", std::int64_t(change() % (4u << 20)), 0, 0});
        }
        for (int i = 0; i < subs && budget > 0; ++i) {
            --budget;
            const unsigned roll = unsigned(change() % 1000);
            Kid k{"folder-" + std::to_string(i), 0, Tree::Folder, shape()};
            if (newer && roll < 5) { // removed with everything in it
                SkipFolder(k.seed, depth + 1);
                continue;
            }
            kids.push_back(k);
            if (newer && roll >= 995) kids.push_back({k.name + "-new", 0, Tree::Folder, change()});
        }
        // Another walk lists siblings in another order.
        if (newer) std::shuffle(kids.begin(), kids.end(), change);
        for (const Kid& k : kids) {
            const Tree::Index at = t.Add(self, k.name, k.size, k.flags);
            if (k.flags & Tree::Folder) Folder(t, at, k.seed, depth + 1);
        }
    }
    // Spends the budget a removed folder would have taken in the earlier tree.
    void SkipFolder(std::uint64_t seed, int depth) {
        GeneratedTree scratch;
        const bool was = newer;
        newer = false;
        Folder(scratch, scratch.Add(Tree::kNone, "x", 0, Tree::Folder), seed, depth);
        newer = was;
    }
};

GeneratedTree Make(std::size_t entries, bool newer, const char* root) {
    GeneratedTree t;
    Generator g{newer, entries - 1};
    const Tree::Index top = t.Add(Tree::kNone, root, 0, Tree::Folder);
    for (std::uint64_t i = 0; g.budget > 0; ++i) {
        --g.budget;
        const Tree::Index at = t.Add(top, "top-" + std::to_string(i), 0, Tree::Folder);
        g.Folder(t, at, i * 7919 + 17, 1);
    }
    t.Done();
    return t;
}

// The tree as the JSON export of ncdu (names here need no escaping).
bool WriteJson(const Tree& t, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    std::string out = "[1,2,{\"progname\":\"compare_bench\"},\n";
    std::vector<Tree::Index> open;
    for (Tree::Index i = 0; i < t.Count(); ++i) {
        while (!open.empty() && i >= t.At(open.back()).end) {
            out += ']';
            open.pop_back();
        }
        if (i > 0 && out.back() != '[') out += ',';
        const Tree::Node& n = t.At(i);
        if (n.IsFolder()) {
            out += '[';
            open.push_back(i);
        }
        out += "{\"name\":\"";
        out.append(t.NameData(i), n.nameLen);
        out += '"';
        if (!n.IsFolder()) out += ",\"asize\":" + std::to_string(n.size);
        if (n.flags & Tree::NotRegular) out += ",\"notreg\":true";
        out += '}';
        if (out.size() > (1u << 22)) {
            f.write(out.data(), qint64(out.size()));
            out.clear();
        }
    }
    out.append(open.size(), ']');
    out += "]\n";
    return f.write(out.data(), qint64(out.size())) == qint64(out.size()) && f.flush();
}

double Seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

void Report(const char* what, const Tree& older, const Tree& newer, double seconds,
            const CompareResult& r, long peakKB) {
    std::printf("%s: %zu and %zu entries, compare %.3f s; %llu changed, %llu added, %llu "
                "removed, %zu listed; comparison %.1f MB, peak growth %.1f MB, one tree %.1f MB\n",
                what, older.Count(), newer.Count(), seconds,
                static_cast<unsigned long long>(r.changedCount),
                static_cast<unsigned long long>(r.addedCount),
                static_cast<unsigned long long>(r.removedCount), r.entries.size(),
                double(r.MemoryBytes()) / 1048576.0, double(peakKB) / 1024.0,
                double(older.MemoryBytes()) / 1048576.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t entries = argc > 1 && argv[1][0] != '-' ? std::stoull(argv[1]) : 1000000;
    bool files = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-files") == 0) files = false;

    QElapsedTimer clock;
    clock.start();
    GeneratedTree older = Make(entries, false, "/mnt/old");
    GeneratedTree newer = Make(entries, true, "/srv/data");
    std::printf("generated in %.1f s\n", Seconds(clock));

    ResetPeak();
    long before = StatusKB("VmRSS:");
    clock.restart();
    CompareResult r = CompareTrees(older, 0, newer, 0);
    Report("in memory", older, newer, Seconds(clock), r, StatusKB("VmHWM:") - before);
    if (r.TotalChange() != newer.At(0).total - older.At(0).total) return 1;
    if (!files) return 0;

    r = CompareResult();
    QTemporaryDir dir(QStringLiteral("/tmp/compare_bench-XXXXXX"));
    const QString oldFile = dir.path() + "/old.json", newFile = dir.path() + "/new.json";
    if (!WriteJson(older, oldFile) || !WriteJson(newer, newFile)) return 1;
    older = GeneratedTree();
    newer = GeneratedTree();
    clock.restart();
    const Snapshot a = Snapshot::Read(oldFile), b = Snapshot::Read(newFile);
    const double reading = Seconds(clock);
    ResetPeak();
    before = StatusKB("VmRSS:");
    clock.restart();
    r = CompareTrees(a, 0, b, 0);
    const double comparing = Seconds(clock);
    Report("from files", a, b, comparing, r, StatusKB("VmHWM:") - before);
    std::printf("reading both files %.2f s (%.1f MB), with the comparison %.2f s\n", reading,
                double(QFile(oldFile).size() + QFile(newFile).size()) / 1048576.0,
                reading + comparing);
    return 0;
}
