#pragma once
// The file list of a run read straight from its tree: the rows a scanner's
// FileRowCursor gives (file name, recorded date, last-access date, full path,
// KB), kept as node indexes. Any row can be read at any time and from several
// threads at once, so the report formats its rows in blocks on every core.
#include "core/engine/FileFilter.h"
#include "core/export/RowSource.h"
#include "core/tree/Tree.h"
#include <atomic>
#include <cstdint>
#include <vector>

class TreeReportRows : public IRowSource {
public:
    // The entries below the tree's top in the run's order (those inside each
    // subfolder first, then those lying in the top), whose size is at least
    // minSize and whose path the filter accepts; prefix is the top's path
    // ending in '/'.
    TreeReportRows(const Tree& tree, const QString& prefix, std::int64_t minSize,
                   const FileFilter& filter);
    int ColumnCount() const override { return 5; }
    QString ColumnCaption(int column) const override;
    int RowCount() const override { return int(rows_.size()); }
    QString Caption(int row) const override;
    QString SubItem(int row, int index) const override;
    QString LinkPath(int row) const override { return Path(row); }
    bool ConcurrentRows() const override { return true; }
    void Cells(int row, int subItems, QStringList& cells) const override;

private:
    QString Path(int row) const;
    QString Cell(int row, int index, const QString& path) const;
    const Tree& t_;
    QString prefix_;
    std::vector<Tree::Index> rows_;
    const std::uint64_t id_; // what each thread's folder paths belong to
    static inline std::atomic<std::uint64_t> lastId_{0};
};
