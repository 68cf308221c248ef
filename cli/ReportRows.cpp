#include "cli/ReportRows.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "platform/FileInfo.h"
#include "platform/NativePath.h"
#include <numeric>
#include <stdexcept>

QString LastPathComponent(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString LastAccessDateText(const QString& path) {
    const QDate d = LastAccessDate(path);
    return DateText(d.year(), d.month(), d.day());
}

QString FolderRowSource::ColumnCaption(int column) const {
    static const char* const kCaptions[] = {"Folder Names", "Size (MB)", "Size (KB)",
                                            "Full Path Names", "  "};
    return column >= 0 && column < 5 ? QString::fromLatin1(kCaptions[column]) : QString();
}

int FolderRowSource::RowCount() const {
    return int(d_.EntryPaths.size());
}

QString FolderRowSource::Caption(int row) const {
    return DisplayPath(LastPathComponent(d_.EntryPaths.at(row)));
}

QString FolderRowSource::SubItem(int row, int index) const {
    switch (index) {
    case 1:
        return d_.EntryMB.value(row);
    case 2:
        return d_.EntryKB.value(row);
    case 3:
        return DisplayPath(d_.EntryPaths.at(row));
    default:
        return {};
    }
}

FileRowSource::FileRowSource(const DirScanner& dirSize)
    : d_(dirSize), rows_(std::size_t(dirSize.FileRowCount())) {
    std::iota(rows_.begin(), rows_.end(), 0);
}

FileRowSource::FileRowSource(const DirScanner& dirSize, std::vector<int> rows)
    : d_(dirSize), rows_(std::move(rows)) {}

FileRowSource::~FileRowSource() = default;

const DirScanner::FileRowCursor& FileRowSource::At(int row) const {
    const int want = rows_.at(std::size_t(row));
    if (!cursor_ || want < cursorRow_) {
        cursor_ = std::make_unique<DirScanner::FileRowCursor>(d_);
        cursorRow_ = -1;
    }
    while (cursorRow_ < want) {
        if (!cursor_->Next()) throw std::out_of_range("file row out of range");
        ++cursorRow_;
    }
    return *cursor_;
}

QString FileRowSource::ColumnCaption(int column) const {
    static const char* const kCaptions[] = {"File Names", "Date (Cr)", "Date (Ac)",
                                            "Full Path Names", "Size (kb)"};
    return column >= 0 && column < 5 ? QString::fromLatin1(kCaptions[column]) : QString();
}

QString FileRowSource::Caption(int row) const {
    return DisplayPath(LastPathComponent(At(row).Path));
}

QString FileRowSource::SubItem(int row, int index) const {
    const DirScanner::FileRowCursor& r = At(row);
    switch (index) {
    case 1:
        return r.Date;
    case 2:
        // A file's access time is the walk's; a folder's is read now, as the
        // window reads it when it fills its list.
        return r.AccessTime == DirScanner::kAccessTimeUnknown ? LastAccessDateText(r.Path)
                                                              : DateText(r.AccessTime);
    case 3:
        return DisplayPath(r.Path);
    case 4:
        return r.KB;
    default:
        return {};
    }
}
