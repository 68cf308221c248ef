// Every menu, pop-up menu and tool bar against its table: order, captions,
// keys, check marks at start, help topics, and that every item runs something;
// the frame's own commands: help, hints, the drawn File menu and about.
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/commands/CommandTable.h"
#include "gui/commands/FileMenu.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/help/HelpWindow.h"
#include "gui/pages/FolderListPage.h"
#include "gui/widgets/ImageMenu.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWhatsThisClickedEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {
// "-" is a separator. "Caption|key|help|image": key and help may be empty; an
// image is a place in the menu image list, none when left out.
struct Menu {
    const char* name;
    std::vector<const char*> items;
};

const std::vector<Menu> kMainMenu = {
    {"File",
     {"Run|F9|5", "-", "Up one dir|F10|6", "Browse directory|F2|12", "-",
      "Print visible sheet|Ctrl+P|7", "-", "Save|Ctrl+S|8", "Open|Ctrl+O|9",
      "Compare with snapshot\u2026||", "-", "Exit|Ctrl+Q|"}},
    {"Tools",
     {"Save Picture As||29", "Print / Export List||30", "-", "Uninstall Menu||",
      "Delete internet cache||42", "Empty Recycle Bin||41", "Clear Document List||42",
      "Start Windows Defrag||43", "-", "Settings||34"}},
    {"View",
     {"3D View off / on|F7|21", "Show Labels|F6|23", "Show Legend|F5|24", "Show Hints|F4|22",
      "Show elyptic pie||26", "Explode biggest pie|F8|20", "Bar chart shows change||",
      "Folder History off / on||28", "-", "Toggle Explorer View|F3|11", "Load button images||50"}},
    {"About", {"Help me !|F1|", "Help Contents||", "Help Index||", "-", "About Morvane||48"}},
};

const std::vector<Menu> kPopups = {
    {"FolderListPopUp",
     {"Open with Explorer||2|21", "-", "Delete Folder||39|5", "Move Folder||39|3",
      "Copy Folder||39|14", "Move to archive||46|0"}},
    {"FolderPop",
     {"Check selected||48|2", "Uncheck selected||48|18", "Reverse checked/selected||48|17", "-",
      "Move checked to Archive||46|0", "Restore Morvane Archive|||0", "Move checked||39|3",
      "Copy checked||39|14", "Del to Rec. Bin||39|5", "-", "Show file type||47|24"}},
    {"FilterPop", {"Add Item||", "Delete Item||", "-", "Show all enties||"}},
    {"HistoryPop", {"Delete Item||", "Delete all Items||", "-", "Show all items||"}},
    {"DirTreePopUp",
     {"Run size check||", "-", "Copy||", "Move||", "Delete||", "-", "Move to Archive||"}},
    {"Pop_Shortcut",
     {"Check broken Items|||17", "Check Items on CDRom|||17", "Uncheck selected items|||18", "-",
      "Delete checked items|||5"}},
};

// Hints of the main tool bar, left to right; "|" is a separator, "*" a widget.
const std::vector<const char*> kToolBar = {
    "Calclulate Size of selected directory incl. all sub dirs ",
    "Up to Parent Directory",
    "Opens browse dir dialog",
    "Toggle Explorer View",
    "|",
    "This will sort the charts\nbased on the folder size in MB.\n\nDefault sort Chart by "
    "clicking\nappropriate Folder Size List Header.",
    "Including Free Space",
    "Rotate",
    "Shows biggest pie cut out",
    "Switch labels on / off",
    "Show Legend",
    "Toggle folder history on- off.",
    "|",
    "*",
    "|",
    "*",
    "|",
    "Empty recycle bin",
    "Delete IE internet cache",
    "Clears recent documents list",
    "Clear IE History",
    "Open Add Remove Programs Menu",
    "Disk Cleanup"};

// QObject::receivers() is protected: read it through a pointer to the member,
// which calls it on the object as it is (no cast to a type it does not have).
struct Receivers : QObject {
    static int Of(const QObject* o, const char* signal) {
        constexpr int (QObject::*count)(const char*) const = &Receivers::receivers;
        return (o->*count)(signal);
    }
};

// Connections to the item's own signals, less those a menu or a proxy item makes itself.
int Handlers(const QAction* a) {
    int own = Receivers::Of(a, SIGNAL(triggered(bool))) + Receivers::Of(a, SIGNAL(toggled(bool)));
    for (const QObject* o : a->associatedObjects())
        if (qobject_cast<const QMenu*>(o) || qobject_cast<const QToolButton*>(o)) --own;
    own -= a->property("proxies").toInt();
    return own;
}

QStringList Split(const char* row) {
    return QString::fromUtf8(row).split(QLatin1Char('|'));
}

// The image an item shows: a menu of our own may draw its own for a shared action.
QIcon ShownImage(const QMenu* menu, const QAction* a) {
    const auto* images = qobject_cast<const ImageMenu*>(menu);
    return images ? images->ShownImage(a) : a->icon();
}

void ExpectMenu(const QMenu* menu, const std::vector<const char*>& rows, const QString& where,
                const ImageList& menuImages) {
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), qsizetype(rows.size())) << where.toStdString();
    for (size_t i = 0; i < rows.size(); ++i) {
        const QAction* a = items[qsizetype(i)];
        const QString at = where + QLatin1Char('/') + QString::fromUtf8(rows[i]);
        if (QLatin1String(rows[i]) == QLatin1String("-")) {
            EXPECT_TRUE(a->isSeparator()) << at.toStdString();
            continue;
        }
        const QStringList f = Split(rows[i]);
        EXPECT_EQ(a->text(), f[0]) << at.toStdString();
        EXPECT_EQ(a->shortcut().toString(), f[1]) << at.toStdString();
        EXPECT_EQ(a->property("helpContext").toInt(), f[2].toInt()) << at.toStdString();
        EXPECT_GT(Handlers(a), 0) << "not wired: " << at.toStdString();
        if (f.size() > 3) {
            EXPECT_EQ(ShownImage(menu, a).cacheKey(), menuImages.value(f[3].toInt()).cacheKey())
                << "image: " << at.toStdString();
        }
    }
}

class CommandWiring : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        form_ = std::make_unique<MainWindow>(tmp_.filePath("Morvane.ini"));
    }
    void TearDown() override {
        SetModalHook({});
        SetMessageBoxHook({});
        SetOpenInShellHook({});
        ResultFileCommands::SetFileDialog({});
    }
    QTemporaryDir tmp_;
    ScopedEnv home_{"HOME", tmp_.path().toLocal8Bit()};
    ScopedEnv config_{"XDG_CONFIG_HOME", tmp_.filePath("config").toLocal8Bit()};
    std::unique_ptr<MainWindow> form_;
};

// Whether a tool tip request gets through to the widget (the window stops it
// before the widget's own filters when hints are off).
bool TipShown(QWidget* w) {
    struct Seen : QObject {
        bool tip = false;
        bool eventFilter(QObject*, QEvent* e) override {
            tip = tip || e->type() == QEvent::ToolTip;
            return false;
        }
    } seen;
    w->installEventFilter(&seen);
    QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &e);
    w->removeEventFilter(&seen);
    return seen.tip;
}
} // namespace

TEST_F(CommandWiring, HandlerCountIgnoresMenusAndToolBars) {
    QWidget owner;
    QMenu menu;
    QToolBar bar;
    QAction placed(&owner);
    menu.addAction(&placed);
    bar.addAction(&placed);
    QToolButton button;
    button.setDefaultAction(&placed);
    EXPECT_EQ(Handlers(&placed), 0);
    QObject::connect(&placed, &QAction::triggered, &owner, [] {});
    EXPECT_EQ(Handlers(&placed), 1);
}

TEST_F(CommandWiring, MainMenuPopupsAndToolBarFollowTheirTables) {
    const QList<QAction*> top = form_->menuBar()->actions();
    ASSERT_EQ(top.size(), qsizetype(kMainMenu.size()));
    for (size_t m = 0; m < kMainMenu.size(); ++m) {
        QAction* t = top[qsizetype(m)];
        EXPECT_EQ(t->text().remove(QLatin1Char('&')), kMainMenu[m].name);
        ASSERT_NE(t->menu(), nullptr);
        ExpectMenu(t->menu(), kMainMenu[m].items, QLatin1String(kMainMenu[m].name),
                   form_->Commands().MenuImgList);
    }
    for (const Menu& p : kPopups) {
        const auto* menu = form_->findChild<QMenu*>(QLatin1String(p.name));
        ASSERT_NE(menu, nullptr) << p.name;
        ExpectMenu(menu, p.items, QLatin1String(p.name), form_->Commands().MenuImgList);
    }

    // Menus draw shared actions with the menu images, the tool bar with its own.
    const auto* tools = form_->menuBar()->findChild<ImageMenu*>("MenuTools");
    QAction* cache = form_->Action("actDelIECache");
    EXPECT_EQ(tools->ShownImage(cache).cacheKey(),
              form_->Commands().MenuImgList.value(1).cacheKey());
    EXPECT_NE(cache->icon().cacheKey(), form_->Commands().MenuImgList.value(1).cacheKey());

    const QList<QAction*> buttons = MainToolBar(*form_)->actions();
    ASSERT_EQ(buttons.size(), qsizetype(kToolBar.size()));
    for (size_t i = 0; i < kToolBar.size(); ++i) {
        const QAction* a = buttons[qsizetype(i)];
        const QString hint = QString::fromUtf8(kToolBar[i]);
        if (hint == QLatin1String("|")) {
            EXPECT_TRUE(a->isSeparator()) << i;
        } else if (hint == QLatin1String("*")) {
            EXPECT_NE(MainToolBar(*form_)->widgetForAction(const_cast<QAction*>(a)), nullptr);
        } else {
            EXPECT_EQ(a->toolTip(), hint) << i;
            // A toggle button's state is itself the command (read at the next run).
            EXPECT_TRUE(a->isCheckable() || Handlers(a) > 0) << "not wired: " << hint.toStdString();
        }
    }
}

TEST_F(CommandWiring, SwitchesStartAsTheActionTableSays) {
    QWidget owner;
    CommandTable table(&owner);
    for (const char* on : {"actToggle3D", "actMarkVisible", "actShowHints"})
        EXPECT_TRUE(table.Action(QLatin1String(on))->isChecked()) << on;
    for (const char* off : {"actShowLegend", "actExplodeBiggest", "actElyptic", "FreeSpaceButt",
                            "Move", "actToggleHistCombo"})
        EXPECT_FALSE(table.Action(QLatin1String(off))->isChecked()) << off;
    // A proxy item follows its action both ways.
    QAction* labels = table.Action(QStringLiteral("MarkVisibleItem"));
    QAction* button = table.Action(QStringLiteral("MarkVisibleButton"));
    labels->trigger();
    EXPECT_FALSE(table.Action(QStringLiteral("actMarkVisible"))->isChecked());
    EXPECT_FALSE(button->isChecked());
}

TEST_F(CommandWiring, EveryHelpNumberIsATopicOfTheManual) {
    QStringList missing;
    for (const auto* menus : {&kMainMenu, &kPopups})
        for (const Menu& m : *menus)
            for (const char* row : m.items) {
                const int help = Split(row).value(2).toInt();
                if (help && !HelpWindow::Anchors().contains(HelpWindow::TopicOf(help)))
                    missing << QString::number(help);
            }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char(' ')).toStdString();
}

TEST_F(CommandWiring, HelpCommandsOpenTheManualAndCloseWithTheWindow) {
    form_->show();
    form_->Action(QStringLiteral("actHelp"))->trigger();
    auto* help = form_->findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Tabs()->currentIndex(), HelpWindow::tabContents);
    EXPECT_EQ(help->Browser()->source().fragment(), QLatin1String("contents"));
    form_->Action(QStringLiteral("HelpIndexItem"))->trigger();
    EXPECT_EQ(help->Tabs()->currentIndex(), HelpWindow::tabIndex);
    EXPECT_EQ(help->Browser()->source().fragment(), QLatin1String("index"));

    // What's This on "Load button images", then its link: that topic.
    QAction* item = form_->Action(QStringLiteral("LoadButtonImagesItem"));
    EXPECT_TRUE(item->whatsThis().contains(QLatin1String("href=\"help50\"")));
    QWhatsThisClickedEvent clicked(QStringLiteral("help50"));
    QApplication::sendEvent(form_->menuBar(), &clicked);
    EXPECT_EQ(help->Browser()->source().fragment(), QLatin1String("help50"));
    EXPECT_FALSE(help->ShowTopic(QStringLiteral("help999")));

    EXPECT_TRUE(help->Search(QStringLiteral("bookmarks cache")).contains("Housekeeping tools"));
    EXPECT_TRUE(help->Search(QStringLiteral("zzzqqq")).isEmpty());

    form_->close();
    EXPECT_FALSE(help->isVisible());
}

TEST_F(CommandWiring, EveryToolButtonOfTheWindowRunsSomething) {
    QStringList idle;
    for (QToolButton* b : form_->findChildren<QToolButton*>()) {
        // Qt's own scroll and extension buttons.
        if (qobject_cast<QTabBar*>(b->parentWidget()) || b->objectName().startsWith("qt_"))
            continue;
        if (b->menu() || b->isCheckable()) continue;
        // Placed on purpose without a command: the temporary folders' "Edit".
        if (b->objectName() == QLatin1String("EditTempFolder")) continue;
        const QAction* a = b->defaultAction();
        const bool wired =
            a ? (a->isCheckable() || Handlers(a) > 0) : Receivers::Of(b, SIGNAL(clicked(bool))) > 0;
        if (!wired) idle << (a ? a->text() : b->objectName() + "/" + b->toolTip());
    }
    EXPECT_TRUE(idle.isEmpty()) << idle.join(", ").toStdString();
}

TEST_F(CommandWiring, TempFolderEditDoesNothing) {
    QStringList opened, told;
    SetOpenInShellHook([&opened](const QString& p) { opened << p; });
    SetMessageBoxHook([&told](MessageKind, const QString&, const QString& text) {
        told << text;
        return true;
    });
    auto* list = form_->findChild<QTreeWidget*>("TempFolderList");
    auto* edit = form_->findChild<QToolButton*>("EditTempFolder");
    ASSERT_TRUE(list && edit);
    auto* item = new QTreeWidgetItem(list, {tmp_.path()});
    list->setCurrentItem(item);
    item->setSelected(true);
    edit->click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(list->topLevelItemCount(), 1);
}

TEST_F(CommandWiring, KeysReachTheirItemsAndF4SwitchesEveryHint) {
    QStringList asked;
    ResultFileCommands::SetFileDialog([&asked](bool save, const QString&) {
        asked << (save ? "save" : "open");
        return QString(); // cancelled
    });
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    QTest::keyClick(form_.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, (QStringList{"save", "open"}));

    QWidget* run = MainToolBar(*form_)->widgetForAction(form_->Action("actRun"));
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(TipShown(run));
    QTest::keyClick(form_.get(), Qt::Key_F4);
    EXPECT_FALSE(form_->Action("actShowHints")->isChecked());
    EXPECT_FALSE(TipShown(run));
    EXPECT_FALSE(TipShown(form_->findChild<QWidget*>("HistoryCombo")));
    QTest::keyClick(form_.get(), Qt::Key_F4);
    EXPECT_TRUE(TipShown(run));
}

TEST_F(CommandWiring, FileMenuDrawsItsTextsImagesAndBand) {
    auto* file = form_->menuBar()->findChild<FileMenu*>("MenuFile");
    ASSERT_NE(file, nullptr);
    QStringList texts;
    for (QAction* a : file->actions())
        if (!a->isSeparator()) texts << FileMenu::DrawnText(a);
    EXPECT_EQ(texts,
              (QStringList{"Run (F9)", "Up one Dir (F10)", "Browse Directory (F2)",
                           "Print Sheet (Ctrl+P)", "Save Result (Ctrl+S)", "Load Result (Ctrl+O)",
                           "Compare with Snapshot...", "Exit (Ctrl+Q)"}));

    file->popup(QPoint(0, 0));
    QAction* up = form_->Action("actUpOneDir");
    file->setActiveAction(up);
    const QImage shot = file->grab().toImage();
    const QRect r = file->actionGeometry(up);
    EXPECT_EQ(QColor(shot.pixel(3, 3)), QColor(0, 0, 128)); // BarColor "clnavy"
    EXPECT_EQ(QColor(shot.pixel(FileMenu::BandWidth + 1, r.center().y())),
              file->palette().color(QPalette::Highlight));
    const QRect run = file->actionGeometry(form_->Action("actRun"));
    EXPECT_NE(QColor(shot.pixel(FileMenu::BandWidth + 1, run.center().y())),
              file->palette().color(QPalette::Highlight));
    // Room for the longest drawn text.
    EXPECT_GE(file->width(), FileMenu::TextX + file->fontMetrics().horizontalAdvance(
                                                   QStringLiteral("Browse Directory (F2)")));
    file->hide();
}

TEST_F(CommandWiring, AboutTellsVersionAndLibraries) {
    QString shown;
    SetModalHook([&shown](QDialog& d) {
        shown = d.findChild<QLabel*>("AboutText")->text();
        return int(QDialog::Accepted);
    });
    form_->Action("actAbout")->trigger();
    EXPECT_TRUE(shown.contains("Version " MORVANE_VERSION)) << shown.toStdString();
    for (const char* lib : {"Qt 6.", "libzip", "libxlsxwriter", "SQLite", "libjpeg"})
        EXPECT_TRUE(shown.contains(QLatin1String(lib))) << lib;
}
