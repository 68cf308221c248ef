#pragma once
// The rows the report writes, read straight from the scanner's lists: the size
// list (folder name, MB, KB, full path, empty) and the file list (file name,
// recorded date, last-access date, full path, KB). Names that are not UTF-8 are
// written with replacement characters. Nothing is copied, and the file list's
// texts are made row by row, so a file list of millions of rows costs no more
// memory than the scan itself.
#include "core/engine/DirScanner.h"
#include "core/export/RowSource.h"
#include <memory>
#include <vector>

class FolderRowSource : public IRowSource {
public:
    explicit FolderRowSource(const DirScanner& dirSize) : d_(dirSize) {}
    int ColumnCount() const override { return 5; }
    QString ColumnCaption(int column) const override;
    int RowCount() const override;
    QString Caption(int row) const override;
    QString SubItem(int row, int index) const override;
    QString LinkPath(int row) const override { return d_.EntryPaths.at(row); }

private:
    const DirScanner& d_;
};

// Read in order, as the writers read: only the current row's texts are made.
// Asking for an earlier row starts the reading over.
class FileRowSource : public IRowSource {
public:
    // All FileRows, in the scanner's order.
    explicit FileRowSource(const DirScanner& dirSize);
    // Only the FileRows whose indexes are given, ascending.
    FileRowSource(const DirScanner& dirSize, std::vector<int> rows);
    ~FileRowSource() override;
    int ColumnCount() const override { return 5; }
    QString ColumnCaption(int column) const override;
    int RowCount() const override { return int(rows_.size()); }
    QString Caption(int row) const override;
    QString SubItem(int row, int index) const override;
    QString LinkPath(int row) const override { return At(row).Path; }

private:
    const DirScanner::FileRowCursor& At(int row) const;
    const DirScanner& d_;
    std::vector<int> rows_;
    mutable std::unique_ptr<DirScanner::FileRowCursor> cursor_;
    mutable int cursorRow_ = -1; // the scanner's index of the cursor's row
};

// "dd.mmm.yy" of the last access of path, read now; the date value -1 (29.Dec.99)
// when it cannot be read, as the window's file list shows it.
QString LastAccessDateText(const QString& path);

// The last component of a path: a folder's or file's name, or a pseudo row's name.
QString LastPathComponent(const QString& path);
