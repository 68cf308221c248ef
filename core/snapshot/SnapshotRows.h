#pragma once
// The size list and the file list of one folder inside a snapshot, in the same
// shape the scanner gives them after an analysis; read from the tree only.
#include "core/engine/SizeText.h"
#include "core/export/RowSource.h"
#include "core/snapshot/Snapshot.h"
#include <QStringList>
#include <cstdint>
#include <vector>

struct SnapshotFolderRows {
    QStringList paths, mb, kb; // one row per subfolder (names with '.' left out), then all files
    WideSizeValue total = 0;   // bytes x 10000
};
// Throws nothing; folder must be a folder of snapshot.
SnapshotFolderRows FolderRowsOf(const Snapshot& snapshot, std::uint32_t folder);

// Every entry below folder in the snapshot's order (texts for showing: names
// that are not UTF-8 shown with U+FFFD; FullPath(row) keeps their bytes) (folders whose name begins
// with
// '.' listed, not entered), with the file list's columns. A snapshot keeps no
// access time; that column stays empty.
class SnapshotFileRowSource : public IRowSource {
public:
    SnapshotFileRowSource(const Snapshot& snapshot, std::uint32_t folder);
    // Keeps only the rows for which keep(full path) holds.
    template <class Pred> void Filter(Pred keep) {
        std::erase_if(rows_, [&](std::uint32_t i) { return !keep(s_.Path(i)); });
    }
    QString FullPath(int row) const { return s_.Path(rows_.at(std::size_t(row))); }
    // The row's size as the file list counts it (0 for a folder).
    std::int64_t Bytes(int row) const;
    int ColumnCount() const override { return 5; }
    QString ColumnCaption(int column) const override;
    int RowCount() const override { return int(rows_.size()); }
    QString Caption(int row) const override;
    QString SubItem(int row, int index) const override;
    QString LinkPath(int row) const override { return FullPath(row); }

private:
    const Snapshot& s_;
    std::vector<std::uint32_t> rows_;
};
