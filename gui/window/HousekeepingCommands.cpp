#include "gui/window/HousekeepingCommands.h"
#include "core/cleanup/BrowserStores.h"
#include "core/cleanup/RecentDocuments.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/window/MainWindow.h"
#include "platform/ProgramStarter.h"
#include "platform/Trash.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
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

// Tells how full the trash is each time the pointer comes onto the button and
// just before its hint shows, so the numbers are those of that moment.
class RecycleBinHintFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Enter || event->type() == QEvent::ToolTip) {
            if (auto* button = qobject_cast<QWidget*>(watched))
                button->setToolTip(RecycleBinHint(QueryTrash())
                                       .replace(QLatin1String("\r\n"), QLatin1String("\n")));
        }
        return false;
    }
};

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
    wire("actStartDefrag", [&form] { StartProgram(DefragLaunch(form.CurrentFolder())); });
    wire("DiskCleanupButton", [] { StartProgram(DiskCleanupLaunch()); });
    wire("actUninstallMnu", [] { StartProgram(SoftwareCentreLaunch()); });

    if (QWidget* button = form.MainToolBar()->widgetForAction(form.Action("actEmptyRecBin")))
        button->installEventFilter(new RecycleBinHintFilter(button));

    QToolButton* commandLine = form.But_CommandLine();
    commandLine->setToolTip(QStringLiteral("Execute Command line in the\nleft directory pane"));
    QObject::connect(commandLine, &QToolButton::clicked, &form, [&form] {
        form.LastCommandLine = form.HistoryCombo()->currentText();
        StartProgram(CommandLineLaunch(form.LastCommandLine, CommandLineFolder(form)));
    });
}
