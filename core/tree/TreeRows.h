#pragma once
// What the views read from a Tree: the size list of one folder (one row per
// subfolder, names beginning with '.' left out, then all files) and the entries
// below a folder one at a time, with the path of the folder each lies in.
#include "core/engine/SizeText.h"
#include "core/export/RowSource.h"
#include "core/tree/Tree.h"
#include <QStringList>
#include <vector>

// prefix + name, where name is the file system's bytes; with room for a
// delimiter when the text will become a folder prefix.
QString JoinName(const QString& prefix, const char* name, std::size_t len, bool room = false);

struct TreeFolderRows {
    QStringList paths, mb, kb; // one row per subfolder (names with '.' left out), then all files
    WideSizeValue total = 0;   // bytes x 10000
};
// The size list of folder (a folder of tree); prefix is its path ending in '/'
// (by default the tree's own path of it).
TreeFolderRows FolderRowsOf(const Tree& tree, Tree::Index folder, QString prefix = {});

// The entries below top, one at a time, without recursion: depth first in the
// recorded order, or (FilesLast) as a run records them: the entries below each
// subfolder first, then the entries lying directly in top. Folders the rules do
// not enter are listed, not entered.
class TreeRowCursor {
public:
    enum Order { DepthFirst, FilesLast };
    TreeRowCursor(const Tree& tree, Tree::Index top, const QString& topPrefix, Order order);
    // Moves to the next entry (the first, on the first call); false after the last.
    bool Next();
    Tree::Index At() const { return at_; }
    // The path of the entry's folder, ending in '/'.
    const QString& Folder() const { return stack_.back().prefix; }
    QString Name() const;
    QString Path() const;

private:
    struct Level {
        Tree::Index end;
        QString prefix;
    };
    void Enter(Tree::Index folder);
    const Tree& t_;
    Tree::Index top_, next_, at_ = Tree::kNone, pending_ = Tree::kNone;
    Order order_;
    bool direct_ = false; // FilesLast: now at the entries lying in top
    std::vector<Level> stack_;
};

// Every entry below a folder of a tree in the recorded order, with the file
// list's columns (names that are not UTF-8 shown with U+FFFD; FullPath(row)
// keeps their bytes). A snapshot keeps no access time; that column stays empty.
class TreeFileRowSource : public IRowSource {
public:
    TreeFileRowSource(const Tree& tree, Tree::Index folder);
    // Keeps only the rows for which keep(full path) holds.
    template <class Pred> void Filter(Pred keep) {
        std::erase_if(rows_, [&](Tree::Index i) { return !keep(t_.Path(i)); });
    }
    QString FullPath(int row) const { return t_.Path(rows_.at(std::size_t(row))); }
    // The row's size as the file list counts it (0 for a folder).
    std::int64_t Bytes(int row) const;
    int ColumnCount() const override { return 5; }
    QString ColumnCaption(int column) const override;
    int RowCount() const override { return int(rows_.size()); }
    QString Caption(int row) const override;
    QString SubItem(int row, int index) const override;
    QString LinkPath(int row) const override { return FullPath(row); }

private:
    const Tree& t_;
    std::vector<Tree::Index> rows_;
};
