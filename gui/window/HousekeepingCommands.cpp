#include "gui/window/HousekeepingCommands.h"
#include "core/cleanup/BrowserStores.h"
#include "core/cleanup/RecentDocuments.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/BackgroundToolTip.h"
#include "gui/window/MainWindow.h"
#include "platform/ProgramStarter.h"
#include "platform/Trash.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QToolBar>
#include <QToolButton>

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A program that is not installed or does not start is named, not passed over.
void Start(MainWindow& form, const ProgramLaunch& launch) {
    if (launch.IsEmpty())
        ShowErrorMessage(&form, launch.missing);
    else if (!StartProgram(launch))
        ShowErrorMessage(&form, QStringLiteral("%1 could not be started.").arg(launch.program));
}

} // namespace

QString CommandLineFolder(const MainWindow& form) {
    return form.LeftPaneFolder();
}

void InstallHousekeeping(MainWindow& form) {
    auto wire = [&form](const char* name, auto handler) {
        if (QAction* action = form.Action(QLatin1String(name)))
            QObject::connect(action, &QAction::triggered, &form, handler);
    };
    wire("actEmptyRecBin", [&form] {
        QString error;
        {
            const WaitCursor wait;
            if (EmptyTrash(AllTrashDirs(), &error) || error.isEmpty()) return;
        }
        // Asks nothing, but a trash it refused or could not empty is told.
        ShowErrorMessage(&form, error);
    });
    wire("actClrDocs", [] {
        const WaitCursor wait;
        ClearRecentDocuments();
    });
    wire("actDelIECache", [] {
        const WaitCursor wait;
        DeleteCacheEntries();
    });
    wire("ClearHistoryButton", [] {
        const WaitCursor wait;
        ClearUrlHistory();
    });
    wire("actStartDefrag", [&form] { Start(form, DefragLaunch(form.Session().CurrentFolder())); });
    wire("DiskCleanupButton", [&form] { Start(form, DiskCleanupLaunch()); });
    wire("actUninstallMnu", [&form] { Start(form, SoftwareCentreLaunch()); });

    // How full the trash is, found out anew each time the pointer comes onto the
    // button: a big trash takes a while to walk, so not on the window's thread.
    if (QWidget* button = form.MainToolBar()->widgetForAction(form.Action("actEmptyRecBin")))
        new BackgroundToolTip(button, [] {
            return RecycleBinHint(QueryTrash()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        });

    QToolButton* commandLine = form.But_CommandLine();
    commandLine->setToolTip(QStringLiteral("Execute Command line in the\nleft directory pane"));
    QObject::connect(commandLine, &QToolButton::clicked, &form, [&form] {
        form.SetLastCommandLine(form.HistoryCombo()->currentText());
        Start(form, CommandLineLaunch(form.LastCommandLine(), CommandLineFolder(form)));
    });
}
