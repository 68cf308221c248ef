#include "core/snapshot/SnapshotRows.h"
#include "core/engine/DirScanner.h"
#include "platform/NativePath.h"

SnapshotFolderRows FolderRowsOf(const Snapshot& s, std::uint32_t folder) {
    SnapshotFolderRows r;
    QString prefix = s.Path(folder);
    if (!prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');
    std::int64_t files = 0;
    auto add = [&](const QString& path, std::int64_t bytes) {
        const WideSizeValue v = BytesToSizeValue(bytes);
        r.paths.append(path);
        r.mb.append(SizeText(suMB, v));
        r.kb.append(SizeText(suKB, v));
        r.total += v;
    };
    for (std::uint32_t c = s.At(folder).firstChild; c != Snapshot::kNone; c = s.At(c).nextSibling) {
        const Snapshot::Node& n = s.At(c);
        if (!n.IsFolder()) {
            files += n.total;
        } else if (s.NameBytes(c).at(0) != '.') {
            add(prefix + s.Name(c), n.total);
        }
    }
    add(prefix + DirScanner::AllFilesName(), files);
    return r;
}

SnapshotFileRowSource::SnapshotFileRowSource(const Snapshot& s, std::uint32_t folder) : s_(s) {
    // Depth first in the recorded order, without recursion.
    std::vector<std::uint32_t> next{s.At(folder).firstChild};
    while (!next.empty()) {
        const std::uint32_t i = next.back();
        if (i == Snapshot::kNone) {
            next.pop_back();
            continue;
        }
        next.back() = s.At(i).nextSibling;
        rows_.push_back(i);
        if (s.At(i).IsFolder() && s.NameBytes(i).at(0) != '.') next.push_back(s.At(i).firstChild);
    }
}

QString SnapshotFileRowSource::ColumnCaption(int column) const {
    static const char* const kCaptions[] = {"File Names", "Date (Cr)", "Date (Ac)",
                                            "Full Path Names", "Size (kb)"};
    return column >= 0 && column < 5 ? QString::fromLatin1(kCaptions[column]) : QString();
}

std::int64_t SnapshotFileRowSource::Bytes(int row) const {
    const Snapshot::Node& n = s_.At(rows_.at(std::size_t(row)));
    return n.IsFolder() ? 0 : n.size;
}

QString SnapshotFileRowSource::Caption(int row) const {
    return DisplayPath(s_.Name(rows_.at(std::size_t(row))));
}

QString SnapshotFileRowSource::SubItem(int row, int index) const {
    const std::uint32_t i = rows_.at(std::size_t(row));
    switch (index) {
    case 1:
        return s_.At(i).mtime != Snapshot::kNoTime ? DateText(std::time_t(s_.At(i).mtime))
                                                   : QString();
    case 3:
        return DisplayPath(s_.Path(i));
    case 4:
        return SizeText(suKB, BytesToSizeValue(Bytes(row)));
    default:
        return {};
    }
}
