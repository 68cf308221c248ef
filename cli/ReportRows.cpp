#include "cli/ReportRows.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "platform/FileInfo.h"
#include "platform/NativePath.h"
#include <numeric>

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
    : d_(dirSize), rows_(dirSize.FileRowCount()) {
    std::iota(rows_.begin(), rows_.end(), 0);
}

QString FileRowSource::ColumnCaption(int column) const {
    static const char* const kCaptions[] = {"File Names", "Date (Cr)", "Date (Ac)",
                                            "Full Path Names", "Size (kb)"};
    return column >= 0 && column < 5 ? QString::fromLatin1(kCaptions[column]) : QString();
}

QString FileRowSource::Caption(int row) const {
    return DisplayPath(LastPathComponent(d_.FilePaths().at(rows_.at(row))));
}

QString FileRowSource::SubItem(int row, int index) const {
    const int i = rows_.at(row);
    switch (index) {
    case 1:
        return d_.FileDates().value(i);
    case 2: {
        // A file's access time is the walk's; a folder's is read now, as the
        // window reads it when it fills its list.
        const std::time_t t = d_.FileAccessTimes().at(std::size_t(i));
        return t == DirScanner::kAccessTimeUnknown ? LastAccessDateText(d_.FilePaths().at(i))
                                                   : DateText(t);
    }
    case 3:
        return DisplayPath(d_.FilePaths().at(i));
    case 4:
        return d_.FileKB().value(i);
    default:
        return {};
    }
}
