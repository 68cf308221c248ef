#include "gui/help/HelpCommands.h"
#include "gui/commands/CommandTable.h"
#include "gui/help/HelpWindow.h"
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QWhatsThis>
#include <QWhatsThisClickedEvent>

namespace {
struct Topic {
    const char* menu;
    const char* caption;
    int help;
};
// The help topics of the menu items, by menu and caption.
constexpr Topic kTopics[] = {
    {"MenuFile", "Run", 5},
    {"MenuFile", "Up one dir", 6},
    {"MenuFile", "Browse directory", 12},
    {"MenuFile", "Print visible sheet", 7},
    {"MenuFile", "Save", 8},
    {"MenuFile", "Open", 9},
    {"MenuTools", "Save Picture As", 29},
    {"MenuTools", "Print / Export List", 30},
    {"MenuTools", "Delete internet cache", 42},
    {"MenuTools", "Empty Recycle Bin", 41},
    {"MenuTools", "Clear Document List", 42},
    {"MenuTools", "Start Windows Defrag", 43},
    {"MenuTools", "Settings", 34},
    {"MenuView", "3D View off / on", 21},
    {"MenuView", "Show Labels", 23},
    {"MenuView", "Show Legend", 24},
    {"MenuView", "Show Hints", 22},
    {"MenuView", "Show elyptic pie", 26},
    {"MenuView", "Explode biggest pie", 20},
    {"MenuView", "Folder History off / on", 28},
    {"MenuView", "Toggle Explorer View", 11},
    {"MenuView", "Load button images", 50},
    {"MenuAbout", "About Morvane", 48},
    {"FolderListPopUp", "Open with Explorer", 2},
    {"FolderListPopUp", "Delete Folder", 39},
    {"FolderListPopUp", "Move Folder", 39},
    {"FolderListPopUp", "Copy Folder", 39},
    {"FolderListPopUp", "Move to archive", 46},
    {"FolderPop", "Check selected", 48},
    {"FolderPop", "Uncheck selected", 48},
    {"FolderPop", "Reverse checked/selected", 48},
    {"FolderPop", "Move checked to Archive", 46},
    {"FolderPop", "Move checked", 39},
    {"FolderPop", "Copy checked", 39},
    {"FolderPop", "Del to Rec. Bin", 39},
    {"FolderPop", "Show file type", 47},
};

// Opens the topic of a link clicked in a What's This bubble, and closes the
// help with the window it belongs to.
class HelpHooks : public QObject {
public:
    explicit HelpHooks(QWidget& window) : QObject(&window), window_(window) {
        setObjectName(QStringLiteral("HelpHooks"));
        window.installEventFilter(this);
        qApp->installEventFilter(this);
    }
    ~HelpHooks() override { qApp->removeEventFilter(this); }
    QPointer<HelpWindow> help;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::WhatsThisClicked) {
            const QString href = static_cast<QWhatsThisClickedEvent*>(e)->href();
            HelpWindow* w = HelpWindowOf(window_);
            w->ShowTopic(href);
            w->show();
            w->raise();
            return true;
        }
        if (watched == &window_ && e->type() == QEvent::Close && help) help->close();
        return false;
    }

private:
    QWidget& window_;
};

HelpHooks* Hooks(QWidget& window) {
    // Found by name: the class has no meta-object of its own to cast by.
    return static_cast<HelpHooks*>(
        window.findChild<QObject*>(QStringLiteral("HelpHooks"), Qt::FindDirectChildrenOnly));
}

void Open(QWidget& window, HelpWindow::Tab tab) {
    HelpWindow* w = HelpWindowOf(window);
    w->ShowTab(tab);
    w->show();
    w->raise();
    w->activateWindow();
}
} // namespace

int HelpContextOf(const QString& menu, const QString& caption) {
    for (const Topic& t : kTopics)
        if (menu == QLatin1String(t.menu) && caption == QLatin1String(t.caption)) return t.help;
    return 0;
}

HelpWindow* HelpWindowOf(QWidget& window) {
    HelpHooks* hooks = Hooks(window);
    if (!hooks) hooks = new HelpHooks(window);
    if (!hooks->help) hooks->help = new HelpWindow(&window);
    return hooks->help;
}

void InstallHelp(QWidget& window, const CommandTable& commands) {
    new HelpHooks(window);
    QObject::connect(commands.Action(QStringLiteral("actHelp")), &QAction::triggered, &window,
                     [&window] { Open(window, HelpWindow::tabContents); });
    QObject::connect(commands.Action(QStringLiteral("HelpContentsItem")), &QAction::triggered,
                     &window, [&window] { Open(window, HelpWindow::tabContents); });
    QObject::connect(commands.Action(QStringLiteral("HelpIndexItem")), &QAction::triggered, &window,
                     [&window] { Open(window, HelpWindow::tabIndex); });
    window.addAction(QWhatsThis::createAction(&window)); // Shift+F1

    for (QMenu* menu : window.findChildren<QMenu*>()) {
        for (QAction* a : menu->actions()) {
            const int help = HelpContextOf(menu->objectName(), a->text());
            if (!help) continue;
            a->setProperty("helpContext", help);
            const QString hint = a->statusTip().isEmpty()
                                     ? QString()
                                     : a->statusTip().toHtmlEscaped() + QStringLiteral("<br>");
            a->setWhatsThis(QStringLiteral("<b>%1</b><br>%2<a href=\"%3\">More in the help</a>")
                                .arg(a->text().toHtmlEscaped(), hint, HelpWindow::TopicOf(help)));
        }
    }
}
