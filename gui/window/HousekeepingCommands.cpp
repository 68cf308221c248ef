#include "gui/window/HousekeepingCommands.h"
#include "core/cleanup/BrowserStores.h"
#include "core/cleanup/RecentDocuments.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/BackgroundToolTip.h"
#include "platform/ProgramStarter.h"
#include "platform/Trash.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

void StartOrSay(QWidget* parent, const ProgramLaunch& launch) {
    if (launch.IsEmpty())
        ShowErrorMessage(parent, launch.missing);
    else if (!StartProgram(launch))
        ShowErrorMessage(parent, QStringLiteral("%1 could not be started.").arg(launch.program));
}

void InstallHousekeeping(const CommandContext& context, QWidget* trashButton) {
    QWidget* window = &context.window;
    AnalysisSession* session = &context.session;
    auto wire = [&context, window](const char* name, auto handler) {
        if (QAction* action = context.commands.Action(QLatin1String(name)))
            QObject::connect(action, &QAction::triggered, window, handler);
    };
    wire("actEmptyRecBin", [window] {
        QString error;
        {
            const WaitCursor wait;
            if (EmptyTrash(AllTrashDirs(), &error) || error.isEmpty()) return;
        }
        // Asks nothing, but a trash it refused or could not empty is told.
        ShowErrorMessage(window, error);
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
    wire("actStartDefrag",
         [window, session] { StartOrSay(window, DefragLaunch(session->CurrentFolder())); });
    wire("DiskCleanupButton", [window] { StartOrSay(window, DiskCleanupLaunch()); });
    wire("actUninstallMnu", [window] { StartOrSay(window, SoftwareCentreLaunch()); });

    // How full the trash is, found out anew each time the pointer comes onto the
    // button: a big trash takes a while to walk, so not on the window's thread.
    if (trashButton)
        new BackgroundToolTip(trashButton, [] {
            return RecycleBinHint(QueryTrash()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        });
}
