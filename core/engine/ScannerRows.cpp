#include "core/engine/DirScanner.h"
#include "core/tree/TreeRows.h"
#include <vector>

// The FileRows of a scanner: read from its trees, texts made as they are asked for.

namespace {

// Texts of recorded rows. Equal sizes and dates share one text, which keeps both
// the time and the memory of a run with millions of rows down. Both caches are
// direct-mapped tables: one memory access per look-up, a miss just replaces.
class TextCache {
public:
    TextCache() : sizes_(kSizeSlots), dates_(kDateSlots) {}

    struct SizeSlot {
        qint64 bytes = -1;
        QString mb, kb;
    };
    const SizeSlot& SizeTexts(qint64 bytes) {
        SizeSlot& slot = sizes_[std::size_t(bytes) % kSizeSlots];
        if (slot.bytes != bytes) {
            slot.mb = SizeText(suMB, BytesToSizeValue(bytes), loc_);
            slot.kb = SizeText(suKB, BytesToSizeValue(bytes), loc_);
            slot.bytes = bytes;
        }
        return slot;
    }

    // Cached per hour of the clock, when the whole hour has one date text.
    const QString& Date(std::time_t t) {
        const std::time_t hour = t >= 0 ? t / 3600 : -((-t + 3599) / 3600);
        DateSlot& slot = dates_[std::size_t(hour) % kDateSlots];
        if (slot.hour == hour && slot.valid) return slot.text;
        scratch_ = DateText(t, loc_);
        const std::time_t first = hour * 3600;
        if (DateText(first, loc_) == scratch_ && DateText(first + 3599, loc_) == scratch_) {
            slot.hour = hour;
            slot.text = scratch_;
            slot.valid = true;
            return slot.text;
        }
        return scratch_;
    }

private:
    static constexpr std::size_t kSizeSlots = 1 << 16;
    static constexpr std::size_t kDateSlots = 1 << 12;
    struct DateSlot {
        std::time_t hour = 0;
        bool valid = false;
        QString text;
    };
    const FormatLocale& loc_ = FormatLocale::current();
    std::vector<SizeSlot> sizes_;
    std::vector<DateSlot> dates_;
    QString scratch_;
};

// A FileRow's facts from a node of a run's tree.
void Facts(const Tree& t, Tree::Index i, TextCache& cache, QString& mb, QString& kb, QString& date,
           std::time_t& access) {
    const Tree::Node& n = t.At(i);
    const auto& texts = cache.SizeTexts(n.IsFolder() ? 0 : n.size);
    mb = texts.mb;
    kb = texts.kb;
    const auto m = t.ModifiedTime(i);
    date = m ? cache.Date(std::time_t(*m)) : QString();
    const auto a = t.AccessTime(i);
    access = a ? std::time_t(*a) : DirScanner::kAccessTimeUnknown;
}

bool IsRow(const Tree& t, Tree::Index i, std::int64_t minSize) {
    const Tree::Node& n = t.At(i);
    return (n.IsFolder() ? 0 : n.size) >= minSize;
}

} // namespace

const DirScanner::FileRowTexts& DirScanner::Texts() const {
    if (!texts_) {
        auto t = std::make_unique<FileRowTexts>();
        const qsizetype n = FileRowCount();
        t->paths.reserve(n);
        t->mb.reserve(n);
        t->kb.reserve(n);
        t->dates.reserve(n);
        t->atimes.reserve(std::size_t(n));
        ForEachFileRow([&t](const FileRowFacts& r) {
            t->paths.append(r.folder + r.name);
            t->mb.append(r.mb);
            t->kb.append(r.kb);
            t->dates.append(r.date);
            t->atimes.push_back(r.accessTime);
        });
        texts_ = std::move(t);
    }
    return *texts_;
}

const QStringList& DirScanner::FilePaths() const {
    return Texts().paths;
}
const QStringList& DirScanner::FileMB() const {
    return Texts().mb;
}
const QStringList& DirScanner::FileKB() const {
    return Texts().kb;
}
const QStringList& DirScanner::FileDates() const {
    return Texts().dates;
}
const std::vector<std::time_t>& DirScanner::FileAccessTimes() const {
    return Texts().atimes;
}

// The rows of each tree in turn, one at a time.
struct DirScanner::FileRowCursor::State {
    const DirScanner& scanner;
    std::size_t nextTree = 0;
    std::unique_ptr<TreeRowCursor> rows;
    const RowTree* tree = nullptr;
    TextCache cache;
};

DirScanner::FileRowCursor::FileRowCursor(const DirScanner& scanner)
    : s_(std::make_unique<State>(State{scanner, 0, {}, nullptr, {}})) {}

DirScanner::FileRowCursor::~FileRowCursor() = default;

bool DirScanner::FileRowCursor::Next() {
    State& s = *s_;
    for (;;) {
        if (!s.rows) {
            if (s.nextTree >= s.scanner.rowTrees_.size()) return false;
            s.tree = &s.scanner.rowTrees_[s.nextTree++];
            s.rows = std::make_unique<TreeRowCursor>(*s.tree->tree, 0, s.tree->prefix,
                                                     s.tree->filesLast ? TreeRowCursor::FilesLast
                                                                       : TreeRowCursor::DepthFirst);
        }
        if (!s.rows->Next()) {
            s.rows.reset();
            continue;
        }
        const Tree& t = *s.tree->tree;
        const Tree::Index i = s.rows->At();
        if (!IsRow(t, i, s.tree->minSize)) continue;
        Path = s.rows->Path();
        Facts(t, i, s.cache, MB, KB, Date, AccessTime);
        return true;
    }
}

void DirScanner::ForEachFileRow(const std::function<void(const FileRowFacts&)>& row) const {
    for (const RowTree& r : rowTrees_)
        ForEachFileRow(*r.tree, 0, r.prefix, r.filesLast, r.minSize, row);
}

void DirScanner::ForEachFileRow(const Tree& t, Tree::Index top, const QString& prefix,
                                bool filesLast, std::int64_t minSize,
                                const std::function<void(const FileRowFacts&)>& row) {
    TextCache cache;
    FileRowFacts facts;
    TreeRowCursor rows(t, top, prefix,
                       filesLast ? TreeRowCursor::FilesLast : TreeRowCursor::DepthFirst);
    while (rows.Next()) {
        const Tree::Index i = rows.At();
        if (!IsRow(t, i, minSize)) continue;
        facts.folder = rows.Folder();
        facts.name = rows.Name();
        Facts(t, i, cache, facts.mb, facts.kb, facts.date, facts.accessTime);
        row(facts);
    }
}

qsizetype DirScanner::FileRowCount(const Tree& t, Tree::Index top, std::int64_t minSize) {
    // The entries TreeRowCursor gives: the insides of a folder the rules do
    // not enter are skipped.
    qsizetype n = 0;
    const Tree::Index end = t.At(top).end;
    for (Tree::Index i = top + 1; i < end;) {
        const Tree::Node& node = t.At(i);
        if (IsRow(t, i, minSize)) ++n;
        i = node.IsFolder() && !t.Entered(i) ? node.end : i + 1;
    }
    return n;
}

qsizetype DirScanner::FileRowCount() const {
    return rowCount_;
}

void DirScanner::ClearFileRows() {
    rowTrees_.clear();
    rowCount_ = 0;
    texts_.reset();
}

void DirScanner::AddRowTree(std::shared_ptr<const Tree> tree, const QString& prefix,
                            bool filesLast) {
    const RowTree r{std::move(tree), prefix, filesLast, MinFileSizeBytes};
    // A run's tree lists every entry below its top once, in either order.
    const auto n = Tree::Index(r.tree->Count());
    if (r.minSize <= 0)
        rowCount_ += n - 1;
    else
        for (Tree::Index i = 1; i < n; ++i)
            if (IsRow(*r.tree, i, r.minSize)) ++rowCount_;
    // Rows added from here on are appended; texts already made are out of date.
    texts_.reset();
    rowTrees_.push_back(r);
}
