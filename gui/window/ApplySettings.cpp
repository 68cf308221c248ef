// The window's part of the settings: applied at start and after the settings
// dialog closes.
#include "gui/dialogs/ColorFontPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/MainWindow.h"
#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {
// Thin scroll bars without arrows: the flat look of design 0.
const QString kFlatScrollBar = QStringLiteral(
    "QScrollBar { background: palette(base); border: none; margin: 0; }"
    "QScrollBar:vertical { width: 10px; } QScrollBar:horizontal { height: 10px; }"
    "QScrollBar::handle { background: palette(mid); border-radius: 4px; min-height: 24px;"
    " min-width: 24px; }"
    "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
    "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");

bool IsListView(const QAbstractItemView* view) {
    return qobject_cast<const QTreeView*>(view) || qobject_cast<const QTableView*>(view);
}
} // namespace

void MainWindow::ApplySettings() {
    QStringList errors;
    appliedSettings_ = ReadWindowSettings(session_->IniFileName(), &errors);
    const WindowSettings& s = appliedSettings_;

    if (gauge_) gauge_->SetColors(ToQColor(s.BarColor), ToQColor(s.BarFontColor));
    session_->MinFileSizeKB = s.MinFileSize;

    // The other lists follow the folder list's own colour, and the file list
    // its font.
    QTreeWidget* folderList = folderListPage_ ? folderListPage_->FolderList() : nullptr;
    const QColor listBack = folderList ? folderList->palette().color(QPalette::Base) : QColor();
    QFont listFont = ToQFont(s.ListFont);
    const QColor listText = ToQColor(s.ListFont.color);
    auto colour = [&](QWidget* w, bool withFont) {
        if (!w) return;
        QPalette pal = w->palette();
        if (listBack.isValid()) pal.setColor(QPalette::Base, listBack);
        if (withFont) {
            pal.setColor(QPalette::Text, listText);
            w->setFont(listFont);
        }
        w->setPalette(pal);
    };
    colour(folderList, true);
    colour(findChild<QAbstractItemView*>(QStringLiteral("FileList")), true);
    // The panes are widgets holding their views, which take the pane's palette.
    for (const char* name : {"ExplRight", "ExplLeft", "LV_Shortcut"})
        colour(findChild<QWidget*>(QLatin1String(name)), false);
    colour(historyCombo_, false);

    session_->HistorySize = s.HistorySize;
    ApplyFlatDesign(s.FlatDesign);
    // Charts, file list icons and zoom follow SettingsApplied.
    emit SettingsApplied();
    // A text that did not convert kept its built-in value; say so once.
    if (!errors.isEmpty()) ShowErrorMessage(this, errors.join(QLatin1Char('\n')));
}

void MainWindow::ApplyFlatDesign(int design) {
    if (design != 1 && design != 2) design = 0;
    if (pageControl_) pageControl_->setDocumentMode(design == 0);
    for (QToolBar* bar : findChildren<QToolBar*>())
        for (QToolButton* button : bar->findChildren<QToolButton*>())
            button->setAutoRaise(design != 2);
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (!IsListView(view)) continue;
        const QString sheet = design == 0 ? kFlatScrollBar : QString();
        view->verticalScrollBar()->setStyleSheet(sheet);
        view->horizontalScrollBar()->setStyleSheet(sheet);
    }
}
