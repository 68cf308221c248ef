// The window's own state in the settings file: read at creation, written at
// destruction.
#include "core/settings/IniFile.h"
#include "core/settings/IniSnapshot.h"
#include "gui/common/ComboItems.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FileListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QTabWidget>

namespace {
const QString kSwitches = QStringLiteral("Switches");
}

void MainWindow::LoadWindowState() {
    // One read of the file for the whole state.
    const IniSnapshot f(session_->IniFileName());
    const QString bounds = QStringLiteral("Bounds");
    const int left = f.ReadInteger(bounds, QStringLiteral("left"), 150);
    // Wide enough for the whole tool bar and status bar on a 1366 x 768 screen.
    const int width = f.ReadInteger(bounds, QStringLiteral("width"), 1080);
    const int top = f.ReadInteger(bounds, QStringLiteral("top"), 100);
    const int height = f.ReadInteger(bounds, QStringLiteral("height"), 500);
    move(left, top);
    resize(width, height);

    const int page = f.ReadInteger(QStringLiteral("Page"), QStringLiteral("TabSheet"), 1);
    pageControl_->setCurrentIndex(page >= 0 && page < kPageCount ? page : 1);

    if (!f.ReadBool(kSwitches, QStringLiteral("ShowDirTree"), false)) SetDirTreeOpen(false);

    // The flag keeps the pie circular; the command shows the elliptic form.
    const bool circular = f.ReadBool(QStringLiteral("PieForm"), QStringLiteral("Elyptic"), false);
    Action(QStringLiteral("actElyptic"))->setChecked(!circular);

    auto check = [&](const char* action, const char* key, bool def) {
        Action(QLatin1String(action))->setChecked(f.ReadBool(kSwitches, QLatin1String(key), def));
    };
    check("actExplodeBiggest", "ExplodeBiggest", false);
    check("actMarkVisible", "MarkVisible", true);
    check("actShowLegend", "ShowLegend", false);
    check("actShowHints", "ShowHints", true);
    check("actToggle3D", "Toggle3D", true);
    check("FreeSpaceButt", "FreeSpace", false);

    const QString right =
        f.ReadString(QStringLiteral("LastDir"), QStringLiteral("Right Dir"), QStringLiteral("/"));
    if (commander_) {
        if (!right.isEmpty() && QFileInfo(right).isDir())
            commander_->SetRememberedRightFolder(right);
        commander_->PageShown();
    }

    comboPanel_->setVisible(f.ReadBool(kSwitches, QStringLiteral("HistoryCombo"), false));

    LoadComboItems(historyCombo_, f, QStringLiteral("HistoryCombo"));
    if (fileListPage_) fileListPage_->LoadFilters(f);
}

void MainWindow::SaveWindowState() {
    const QString f = session_->IniFileName();
    // A maximised or minimised window keeps the last normal rectangle.
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const QString bounds = QStringLiteral("Bounds");
        WriteIniInteger(f, bounds, QStringLiteral("left"), x());
        WriteIniInteger(f, bounds, QStringLiteral("width"), width());
        WriteIniInteger(f, bounds, QStringLiteral("top"), y());
        WriteIniInteger(f, bounds, QStringLiteral("height"), height());
    }
    auto checked = [this](const char* action) {
        return Action(QLatin1String(action))->isChecked();
    };
    WriteIniBool(f, kSwitches, QStringLiteral("ShowDirTree"), dirTreeWidth_ > 8);
    WriteIniBool(f, kSwitches, QStringLiteral("ExplodeBiggest"), checked("actExplodeBiggest"));
    WriteIniBool(f, kSwitches, QStringLiteral("MarkVisible"), checked("actMarkVisible"));
    WriteIniBool(f, kSwitches, QStringLiteral("ShowLegend"), checked("actShowLegend"));
    WriteIniBool(f, kSwitches, QStringLiteral("ShowHints"), checked("actShowHints"));
    WriteIniBool(f, kSwitches, QStringLiteral("Toggle3D"), checked("actToggle3D"));
    WriteIniBool(f, kSwitches, QStringLiteral("FreeSpace"), checked("FreeSpaceButt"));
    WriteIniBool(f, kSwitches, QStringLiteral("HistoryCombo"), HistoryVisible());
    WriteIniBool(f, QStringLiteral("PieForm"), QStringLiteral("Elyptic"), !checked("actElyptic"));
    WriteIniInteger(f, QStringLiteral("Page"), QStringLiteral("TabSheet"),
                    pageControl_->currentIndex());
    WriteIniString(f, QStringLiteral("LastDir"), QStringLiteral("Start with"),
                   session_->CurrentFolder());
    // A right pane never shown keeps the folder remembered from before.
    if (commander_)
        WriteIniString(f, QStringLiteral("LastDir"), QStringLiteral("Right Dir"),
                       commander_->RightFolderToKeep());
    if (fileListPage_)
        WriteIniString(f, QStringLiteral("Filter"), QStringLiteral("Text"),
                       fileListPage_->FilterText());
    SaveComboItems(historyCombo_, f, QStringLiteral("HistoryCombo"));
    if (fileListPage_) fileListPage_->SaveFilterList(f);
}
