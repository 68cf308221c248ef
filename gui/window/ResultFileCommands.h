#pragma once
// Save and Open of a whole analysis as a ".MVX" result file.
#include "gui/commands/CommandContext.h"
#include <QObject>
#include <QString>
#include <functional>

class ChartPages;
class SnapshotView;

// The name a result file is saved under: the extension replaced by ".MVX".
QString ResultFileName(const QString& chosen);

class ResultFileCommands : public QObject {
    Q_OBJECT
public:
    // A snapshot file opens in snapshots; a result file becomes the session's
    // rows, which showSessionRows puts into the size list and the charts.
    ResultFileCommands(const CommandContext& context, ChartPages& charts, SnapshotView& snapshots,
                       std::function<void()> showSessionRows);

    void SaveResult();
    void OpenResult();
    // The work after the dialogs; false when nothing was changed.
    bool SaveTo(const QString& chosen);
    bool OpenFrom(const QString& fileName);

    // The file dialogs: given true for Save, false for Open, and the folder
    // they start in; the chosen name or an empty text when cancelled.
    // Replaceable for tests; empty restores them.
    using DialogFunction = std::function<QString(bool save, const QString& folder)>;
    static void SetFileDialog(DialogFunction dialog);

    static inline const QString Filter = QStringLiteral("MorvaneFile (*.MVX)");
    // Whole-tree snapshots written by ncdu -o, gdu -o or our ncdu-json report.
    static inline const QString SnapshotFilter = QStringLiteral("ncdu/gdu JSON export (*.json *)");

private:
    CommandContext context_;
    ChartPages& charts_;
    SnapshotView& snapshots_;
    std::function<void()> showSessionRows_;
    // The folder of the last file opened, where Open starts next time.
    QString openFolder_;
};
