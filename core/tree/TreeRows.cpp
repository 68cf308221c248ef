#include "core/tree/TreeRows.h"
#include "core/engine/DirScanner.h"
#include "platform/NativePath.h"
#include <algorithm>
#include <utility>

QString JoinName(const QString& prefix, const char* name, std::size_t len, bool room) {
    bool ascii = true;
    for (std::size_t i = 0; i < len; ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) return prefix + PathFromNative(name, qsizetype(len));
    QString s;
    s.reserve(prefix.size() + qsizetype(len) + (room ? 1 : 0));
    s.resize(prefix.size() + qsizetype(len));
    QChar* d = s.data();
    std::copy(prefix.constData(), prefix.constData() + prefix.size(), d);
    d += prefix.size();
    for (std::size_t i = 0; i < len; ++i)
        d[i] = QChar(char16_t(static_cast<unsigned char>(name[i])));
    return s;
}

TreeFolderRows FolderRowsOf(const Tree& t, Tree::Index folder, QString prefix) {
    TreeFolderRows r;
    if (prefix.isEmpty()) prefix = t.Path(folder);
    if (!prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');
    std::int64_t files = 0;
    auto add = [&](const QString& path, std::int64_t bytes) {
        const WideSizeValue v = BytesToSizeValue(bytes);
        r.paths.append(path);
        r.mb.append(SizeText(suMB, v));
        r.kb.append(SizeText(suKB, v));
        r.total += v;
    };
    for (Tree::Index c = t.FirstChild(folder); c != Tree::kNone; c = t.NextSibling(c)) {
        const Tree::Node& n = t.At(c);
        if (!n.IsFolder())
            files += n.size;
        else if (t.Entered(c))
            add(JoinName(prefix, t.NameData(c), n.nameLen), n.total);
    }
    add(prefix + DirScanner::AllFilesName(), files);
    return r;
}

TreeRowCursor::TreeRowCursor(const Tree& tree, Tree::Index top, const QString& topPrefix,
                             Order order)
    : t_(tree), top_(top), next_(top + 1), order_(order) {
    stack_.push_back({tree.At(top).end, topPrefix});
}

void TreeRowCursor::Enter(Tree::Index folder) {
    const Tree::Node& n = t_.At(folder);
    stack_.push_back(
        {n.end, JoinName(Folder(), t_.NameData(folder), n.nameLen, true) + QLatin1Char('/')});
}

bool TreeRowCursor::Next() {
    const Tree::Index end = t_.At(top_).end;
    if (direct_) {
        at_ = at_ == Tree::kNone ? t_.FirstChild(top_) : t_.NextSibling(at_);
        return at_ != Tree::kNone;
    }
    // The folder of the last entry is entered only now, so that Folder() said
    // where that entry lies.
    if (pending_ != Tree::kNone) Enter(std::exchange(pending_, Tree::kNone));
    for (;;) {
        if (next_ >= end) {
            if (order_ != FilesLast) return false;
            // Then the entries lying in top itself, with top's path.
            stack_.resize(1);
            direct_ = true;
            at_ = t_.FirstChild(top_);
            return at_ != Tree::kNone;
        }
        const Tree::Index i = next_;
        while (stack_.size() > 1 && stack_.back().end <= i)
            stack_.pop_back();
        const Tree::Node& n = t_.At(i);
        const bool inside = n.IsFolder() && t_.Entered(i) && n.end > i + 1;
        next_ = n.IsFolder() && !inside ? n.end : i + 1;
        if (order_ == FilesLast && n.parent == top_) {
            // A run lists what lies directly in top after the rest.
            if (inside) Enter(i);
            continue;
        }
        at_ = i;
        if (inside) pending_ = i;
        return true;
    }
}

QString TreeRowCursor::Name() const {
    return JoinName(QString(), t_.NameData(at_), t_.At(at_).nameLen);
}

QString TreeRowCursor::Path() const {
    return JoinName(Folder(), t_.NameData(at_), t_.At(at_).nameLen);
}

TreeFileRowSource::TreeFileRowSource(const Tree& t, Tree::Index folder) : t_(t) {
    TreeRowCursor c(t, folder, QString(), TreeRowCursor::DepthFirst);
    while (c.Next())
        rows_.push_back(c.At());
}

QString TreeFileRowSource::ColumnCaption(int column) const {
    static const char* const kCaptions[] = {"File Names", "Date (Cr)", "Date (Ac)",
                                            "Full Path Names", "Size (kb)"};
    return column >= 0 && column < 5 ? QString::fromLatin1(kCaptions[column]) : QString();
}

std::int64_t TreeFileRowSource::Bytes(int row) const {
    const Tree::Node& n = t_.At(rows_.at(std::size_t(row)));
    return n.IsFolder() ? 0 : n.size;
}

QString TreeFileRowSource::Caption(int row) const {
    return DisplayPath(t_.Name(rows_.at(std::size_t(row))));
}

QString TreeFileRowSource::SubItem(int row, int index) const {
    const Tree::Index i = rows_.at(std::size_t(row));
    switch (index) {
    case 1: {
        const auto t = t_.ModifiedTime(i);
        return t ? DateText(std::time_t(*t)) : QString();
    }
    case 3:
        return DisplayPath(t_.Path(i));
    case 4:
        return SizeText(suKB, BytesToSizeValue(Bytes(row)));
    default:
        return {};
    }
}
