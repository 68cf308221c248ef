#include "cli/TreemapReport.h"
#include "core/engine/DirScanner.h"
#include "core/snapshot/Snapshot.h"
#include "core/treemap/TreemapFiles.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QRegularExpression>

QString ParseTreemapSize(const QString& text, ReportOptions& o) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const QRegularExpressionMatch m = form.match(text);
    const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
    const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
    // Up to 16384 pixels a side: a picture of 800 MB in memory at most.
    if (w < 16 || h < 16 || w > 16384 || h > 16384)
        return QStringLiteral("--size needs WIDTHxHEIGHT, each from 16 to 16384, not \"%1\"")
            .arg(text);
    o.treemapWidth = w;
    o.treemapHeight = h;
    return {};
}

TreemapReportFile MakeTreemapReportFile(const ReportOptions& o) {
    TreemapReportFile out;
    std::shared_ptr<const Tree> tree;
    Tree::Index top = 0;
    std::int64_t freeSpace = 0;
    try {
        if (!o.openSnapshot.isEmpty()) {
            auto snapshot = std::make_shared<Snapshot>(Snapshot::Read(o.openSnapshot));
            top = snapshot->Find(o.snapshotPath);
            if (top == Tree::kNone || !snapshot->At(top).IsFolder()) {
                out.status = 2;
                out.error =
                    QStringLiteral("no folder %1 in %2").arg(o.snapshotPath, o.openSnapshot);
                return out;
            }
            tree = std::move(snapshot);
        } else {
            DirScanner scanner;
            QString folder = AbsolutePath(o.folder);
            if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
            scanner.FolderPath = folder;
            scanner.Threads = o.threads;
            DirScanner::SetMinFileSize(o.minSizeKB * 1024);
            scanner.Measure();
            tree = scanner.LastTree();
            if (o.freeSpace && DirScanner::IsDriveRoot(folder))
                freeSpace = std::max<qint64>(0, DirScanner::FreeBytes(folder));
        }
    } catch (const EMorvaneError& e) {
        out.status = 2;
        out.error = e.message();
        return out;
    }
    if (!tree) {
        out.status = 2;
        out.error = QStringLiteral("nothing analysed in %1").arg(o.folder);
        return out;
    }
    TreemapOptions options;
    options.width = o.treemapWidth;
    options.height = o.treemapHeight;
    options.freeSpace = freeSpace;
    const TreemapStyle style;
    const TreemapPicture pic = MakeTreemapPicture(*tree, top, options, style);
    try {
        out.bytes = o.format == QLatin1String("treemap-svg")
                        ? TreemapSvg(*tree, pic.layout, pic.groups, style)
                        : EncodePng(pic.picture);
    } catch (const EMorvaneError& e) {
        out.status = 1;
        out.error = e.message();
    }
    return out;
}
