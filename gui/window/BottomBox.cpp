// The bottom box under the pages: the folder history on the size list, chart
// and file list pages, the command line on the two-pane page, a status line on
// the "Clean Shortcuts" page; and the window's answer to a change of page.
#include "gui/commands/CommandTable.h"
#include "gui/common/ComboItems.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/HousekeepingCommands.h"
#include "gui/window/MainWindow.h"
#include "platform/ProgramStarter.h"
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

void MainWindow::FolderShown(const QString& folder, const QString& panelText) {
    panels_[4]->setText(panelText);
    const QSignalBlocker block(historyCombo_);
    historyCombo_->setEditText(folder);
    AddTextToComboItems(historyCombo_, session_->HistorySize);
}

void MainWindow::SyncLeftPane() {
    if (commander_) commander_->FollowCurrentFolder();
    const QSignalBlocker block(historyCombo_);
    historyCombo_->setEditText(session_->CurrentFolder());
}

QString MainWindow::LeftPaneFolder() const {
    const QString label = commander_ ? commander_->LeftFolderLabel() : QString();
    return label.isEmpty() ? session_->CurrentFolder() : label;
}

void MainWindow::RunCommandLine() {
    lastCommandLine_ = historyCombo_->currentText();
    StartOrSay(this, CommandLineLaunch(lastCommandLine_, LeftPaneFolder()));
}

// --- history ----------------------------------------------------------------

void MainWindow::HistoryComboChange(const QString& text) {
    if (settingComboText_) return;
    const QString before = session_->CurrentFolder();
    session_->SelectFolder(text);
    // Inside a shown snapshot the history moves at once: nothing is read from the disk.
    const QString now = session_->CurrentFolder();
    if (now != before && session_->InSnapshot(now)) Guarded([&] { AnalyseFolder(now); });
}

void MainWindow::DeleteAllHistoryItemsClick() {
    if (!AskWarningYesNo(this, QStringLiteral("You are about to delete the complete History "
                                              "Listing\r\nAre you sure that you want to "
                                              "continue?")))
        return;
    const QSignalBlocker block(historyCombo_);
    const QString text = historyCombo_->currentText();
    historyCombo_->clear();
    historyCombo_->setEditText(text);
}

void MainWindow::ShowAllHistoryItemsClick() {
    QString text;
    for (const QString& s : ComboItems(historyCombo_))
        text += s + QLatin1Char('\n');
    ShowMessage(this, text);
}

bool MainWindow::HistoryVisible() const {
    return !comboPanel_->isHidden();
}

void MainWindow::ToggleHistoryBar() {
    comboPanel_->setVisible(comboPanel_->isHidden());
}

// --- page changes, activation, hints ---------------------------------------------

void MainWindow::AdaptToPage() {
    QAction* move = Action(QStringLiteral("Move"));
    const int page = pageControl_->currentIndex();
    auto releaseMove = [move] {
        move->setChecked(false);
        move->setEnabled(false);
    };
    auto normalLook = [this] {
        QPalette p = historyCombo_->palette();
        const QColor back = folderListPage_->FolderList()->palette().color(QPalette::Base);
        p.setColor(QPalette::Base, back);
        p.setColor(QPalette::Text, Qt::black);
        historyCombo_->setPalette(p);
        QFont f = historyCombo_->font();
        f.setBold(false);
        historyCombo_->setFont(f);
    };
    auto setText = [this](const QString& text) {
        if (historyCombo_->currentText() == text) return;
        settingComboText_ = true;
        historyCombo_->setEditText(text);
        settingComboText_ = false;
    };
    switch (page) {
    case pgFolderList:
    case pgBarChart:
    case pgFileList:
    case pgPieChart:
        if (page == pgPieChart)
            move->setEnabled(true);
        else
            releaseMove();
        butCommandLine_->hide();
        setText(session_->CurrentFolder());
        normalLook();
        break;
    case pgCommander: {
        SyncLeftPane();
        butCommandLine_->show();
        QPalette p = historyCombo_->palette();
        p.setColor(QPalette::Base, Qt::black);
        p.setColor(QPalette::Text, Qt::white);
        historyCombo_->setPalette(p);
        QFont f(QStringLiteral("Courier New"), historyCombo_->font().pointSize());
        f.setStyleHint(QFont::Monospace);
        f.setBold(true);
        historyCombo_->setFont(f);
        setText(lastCommandLine_);
        break;
    }
    case pgShortcuts:
        releaseMove();
        butCommandLine_->hide();
        setText(QStringLiteral("Delete broken shortcuts and empty folders"));
        normalLook();
        break;
    default:
        break;
    }
    Action(QStringLiteral("actExplodeBiggest"))->setEnabled(move->isEnabled());
}
