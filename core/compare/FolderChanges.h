#pragma once
// What the window shows of a comparison, one folder at a time: the earlier
// snapshot compared with the tree shown, matched at the folder both were taken
// of, and for a folder of the tree shown what its files gained and what of it
// is gone.
#include "core/compare/TreeCompare.h"
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// Where two trees meet: when one was taken of a folder inside the other's
// ("/" and "/home"), that folder of the larger one and the other's top;
// otherwise both tops (the same tree mounted elsewhere).
std::pair<Tree::Index, Tree::Index> MatchingRoots(const Tree& older, const Tree& newer);

// The entry at the path bytes rel ("a/b") below folder of tree; kNone if none.
Tree::Index FindBelow(const Tree& tree, Tree::Index folder, const QByteArray& rel);

// A comparison the window holds: the base snapshot, the tree shown, the result.
struct SnapshotComparison {
    std::shared_ptr<const Tree> base;
    QString baseFile;
    std::shared_ptr<const Tree> shown;
    CompareResult result;

    static std::shared_ptr<const SnapshotComparison> Make(std::shared_ptr<const Tree> base,
                                                          const QString& baseFile,
                                                          std::shared_ptr<const Tree> shown);
};

struct FolderChanges {
    bool compared = false;        // the folder lies in the part compared
    std::int64_t filesChange = 0; // the files lying directly in it, with those gone
    // Entries lying directly in it that are gone (the base's indexes).
    std::vector<Tree::Index> removed;
};
FolderChanges ChangesIn(const SnapshotComparison& c, Tree::Index shownFolder);

// The change of each size list row (paths as the rows store them: a folder's
// subfolders and its "<All files in this folder>" row), in row order; nullopt
// for a row the comparison does not cover ("<Free Space>", a folder outside it).
struct RowChange {
    std::int64_t bytes = 0;
    bool added = false;
};
struct RowChanges {
    std::vector<std::optional<RowChange>> rows;
    FolderChanges folder; // of the folder the rows belong to
};
RowChanges ChangesOfRows(const SnapshotComparison& c, const QStringList& paths);
