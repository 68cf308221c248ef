#include "gui/window/ResultFileCommands.h"
#include "core/resultfile/ResultFile.h"
#include "core/settings/IniFile.h"
#include "gui/commands/CommandTable.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ChartPages.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/SnapshotView.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString RunDialog(bool save, const QString& folder) {
    QWidget* parent = QApplication::activeWindow();
    // The dialog names folders by text; one whose name is not UTF-8 cannot be shown.
    const QString start = HasRawBytes(folder) ? QString() : folder;
    if (save)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save as File"), start,
                                            ResultFileCommands::Filter);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open from File"), start,
                                        ResultFileCommands::Filter + QStringLiteral(";;") +
                                            ResultFileCommands::SnapshotFilter);
}

ResultFileCommands::DialogFunction& Dialog() {
    static ResultFileCommands::DialogFunction dialog = RunDialog;
    return dialog;
}

} // namespace

QString ResultFileName(const QString& chosen) {
    return RemoveFileExt(chosen) + QStringLiteral(".MVX");
}

void ResultFileCommands::SetFileDialog(DialogFunction dialog) {
    Dialog() = dialog ? std::move(dialog) : DialogFunction(RunDialog);
}

ResultFileCommands::ResultFileCommands(const CommandContext& context, ChartPages& charts,
                                       SnapshotView& snapshots,
                                       std::function<void()> showSessionRows)
    : QObject(&context.window), context_(context), charts_(charts), snapshots_(snapshots),
      showSessionRows_(std::move(showSessionRows)) {
    connect(context.commands.Action(QStringLiteral("ACTSave")), &QAction::triggered, this,
            &ResultFileCommands::SaveResult);
    connect(context.commands.Action(QStringLiteral("ACTOpen")), &QAction::triggered, this,
            &ResultFileCommands::OpenResult);
}

void ResultFileCommands::SaveResult() {
    const QString chosen = Dialog()(true, context_.session.CurrentFolder());
    if (!chosen.isEmpty()) SaveTo(chosen);
}

void ResultFileCommands::OpenResult() {
    const QString chosen =
        Dialog()(false, openFolder_.isEmpty() ? context_.session.CurrentFolder() : openFolder_);
    if (chosen.isEmpty()) return;
    if (OpenFrom(chosen)) openFolder_ = QFileInfo(chosen).absolutePath() + QLatin1Char('/');
}

bool ResultFileCommands::SaveTo(const QString& chosen) {
    const QString name = ResultFileName(chosen);
    // The dialog asked about the name as typed; a different file it would
    // replace gets its own question.
    if (name != chosen && QFileInfo::exists(name) &&
        !AskWarningYesNo(&context_.window,
                         QStringLiteral("%1 already exists.\nDo you want to replace it?")
                             .arg(QDir::toNativeSeparators(name))))
        return false;
    try {
        const AnalysisSession::FolderRows& rows = context_.session.ShownRows();
        SaveResultFile(rows.paths, rows.mb, rows.kb, name);
        return true;
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(&context_.window, e.message());
        return false;
    }
}

bool ResultFileCommands::OpenFrom(const QString& fileName) {
    if (SnapshotView::LooksLikeSnapshot(fileName)) return snapshots_.OpenFrom(fileName);
    QStringList paths, mb, kb;
    try {
        LoadResultFile(paths, mb, kb, fileName);
        if (mb.size() != paths.size() || kb.size() != paths.size())
            throw EMorvaneError(
                QStringLiteral("%1 is damaged: its lists of folders and sizes differ in length.")
                    .arg(QDir::toNativeSeparators(fileName)));
        // Every size must read as a number before anything is replaced, so a
        // file from another locale leaves the views as they were.
        for (const QStringList* list : {&mb, &kb})
            for (const QString& t : *list)
                StrToSizeFloat(t);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(&context_.window, e.message());
        return false;
    }
    AnalysisSession& session = context_.session;
    session.CloseSnapshot();
    session.ShowResultRows(paths, mb, kb);
    charts_.ApplyChartOptions();
    showSessionRows_();
    return true;
}
