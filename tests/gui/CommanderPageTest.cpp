// The two-pane page driven through the main window: the left pane follows the
// current folder, the right one is remembered, the bottom buttons do nothing;
// its tool bar controls and items are reached by mouse and keys.
#include "gui/pages/CommanderPage.h"
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/pages/FolderPane.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/MainWindow.h"
#include "platform/Errors.h"
#include "platform/ShellFileOp.h"
#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {
using Style = FolderPane::ViewStyle;

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("data");
}

void Click(FolderPane* pane) {
    QWidget* vp = pane->CurrentView()->viewport();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), vp->mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &press);
}

// Double-clicks the item at path as the view reports it.
void DoubleClick(FolderPane* pane, const QString& path) {
    pane->SelectItem(path);
    QAbstractItemView* v = pane->CurrentView();
    ASSERT_TRUE(v->currentIndex().isValid()) << path.toStdString();
    emit v->doubleClicked(v->currentIndex());
}

// Answers every question of a shell operation with yes.
struct YesUi : IShellOpUi {
    bool ConfirmTrash(const QStringList&) override { return true; }
    bool ConfirmCreateFolder(const QString&) override { return true; }
    ReplaceAnswer AskReplace(const QString&, const QString&, bool) override {
        return ReplaceAnswer::Skip;
    }
    void ShowError(const QString& m) override { errors << m; }
    void BeginProgress(const QString&, std::int64_t) override {}
    bool StepProgress(const QString&, std::int64_t) override { return true; }
    void EndProgress() override {}
    QStringList errors;
};

class CommanderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        root_ = tmp_.filePath("tree") + "/";
        QDir().mkpath(root_ + "alpha/deep");
        QDir().mkpath(root_ + "beta");
        QDir().mkpath(root_ + "other/inner");
        Touch(root_ + "top.txt");
        Touch(root_ + ".secret");
        ini_ = tmp_.filePath("AppData/Morvane.ini");
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages_ << text;
            return true;
        });
    }
    void TearDown() override { SetMessageBoxHook({}); }

    // A window whose settings start it on page `page` in folder `start`.
    std::unique_ptr<MainWindow> Open(int page, const QString& start, const QString& right = {}) {
        WriteIniInteger(ini_, "Page", "TabSheet", page);
        WriteIniString(ini_, "LastDir", "Start with", start);
        if (!right.isNull()) WriteIniString(ini_, "LastDir", "Right Dir", right);
        auto form = std::make_unique<MainWindow>(ini_);
        form->show();
        page_ = form->findChild<CommanderPage*>();
        LeftPane()->OpenFile = [this](const QString& p) { opened_ << p; };
        RightPane()->OpenFile = [this](const QString& p) { opened_ << p; };
        return form;
    }
    // The view's rectangle of the item at path, once the pane shows its
    // folder as it is on disk (rows that come and go move the others).
    static QRect ItemRect(FolderPane* pane, const QString& path) {
        auto* proxy = qobject_cast<QAbstractProxyModel*>(ListView(pane)->model());
        const qsizetype entries =
            QDir(pane->Directory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
        QModelIndex i;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            i = proxy->mapFromSource(pane->Files()->index(path));
            return i.isValid() && proxy->rowCount(i.parent()) == entries &&
                   !pane->CurrentView()->visualRect(i).isEmpty();
        })) << path.toStdString();
        return pane->CurrentView()->visualRect(i);
    }
    // A pane's controls, named after the pane and their role ("ExplLeftUpButton").
    template <class T> static T* Part(const FolderPane* pane, const char* role) {
        T* part = pane->findChild<T*>(pane->objectName() + QLatin1String(role));
        EXPECT_TRUE(part) << pane->objectName().toStdString() << role;
        return part;
    }
    static QToolBar* Tools(const FolderPane* p) { return Part<QToolBar>(p, "Tools"); }
    static QToolButton* ViewButton(const FolderPane* p) {
        return Part<QToolButton>(p, "ViewButton");
    }
    static QToolButton* UpButton(const FolderPane* p) { return Part<QToolButton>(p, "UpButton"); }
    static QComboBox* PathCombo(const FolderPane* p) { return Part<QComboBox>(p, "PathCombo"); }
    static QMenu* ViewMenu(const FolderPane* p) { return Part<QMenu>(p, "ViewMenu"); }
    static QMenu* ContextMenu(const FolderPane* p) { return Part<QMenu>(p, "ContextMenu"); }
    static QListView* ListView(const FolderPane* p) { return Part<QListView>(p, "List"); }
    static QTreeView* DetailsView(const FolderPane* p) { return Part<QTreeView>(p, "Details"); }
    static QLabel* FolderLabel(const FolderPane* p) {
        return p->findChild<QLabel*>("Lbl" + p->objectName() + "Dir");
    }
    FolderPane* LeftPane() const { return page_->findChild<FolderPane*>("ExplLeft"); }
    FolderPane* RightPane() const { return page_->findChild<FolderPane*>("ExplRight"); }
    // Copy, move, make folder, delete, copy to zip, move to zip.
    QList<QToolButton*> Buttons() const {
        QList<QToolButton*> out;
        for (const char* name : {"CopyButton", "MoveButton", "MakeDirButton", "DeleteButton",
                                 "CopyZipButton", "MoveZipButton"})
            out << page_->findChild<QToolButton*>(name);
        return out;
    }
    QStringList Captions() const {
        QStringList out;
        for (QToolButton* b : Buttons())
            out << b->text();
        return out;
    }

    QTemporaryDir tmp_;
    QString root_, ini_;
    QStringList messages_, opened_;
    CommanderPage* page_ = nullptr;
};
} // namespace

TEST_F(CommanderTest, LeftPaneFollowsTheTreeAndItsOwnDoubleClicks) {
    auto form = Open(MainWindow::pgFolderList, root_);
    form->OpenCloseDirTree(); // a fresh settings file starts with the tree folded
    FolderPane* left = LeftPane();
    EXPECT_EQ(left->Directory(), root_);
    EXPECT_EQ(page_->LeftFolderLabel(), root_);
    EXPECT_EQ(form->LeftPaneFolder(), root_);

    // A folder chosen in the tree on another page is there when the page opens.
    DirTree(*form)->SelectPath(root_ + "beta");
    emit DirTree(*form)->FolderClicked();
    PageTabs(*form)->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_EQ(left->Directory(), root_ + "beta/");
    EXPECT_EQ(page_->LeftFolderLabel(), root_ + "beta/");
    auto* proxy = qobject_cast<QAbstractProxyModel*>(ListView(left)->model());
    EXPECT_EQ(left->Files()->filePath(proxy->mapToSource(ListView(left)->rootIndex())),
              root_ + "beta");

    // Double-clicking a subfolder moves the status bar, the tree and the pane.
    form->Session().SelectFolder(root_);
    DoubleClick(left, root_ + "alpha");
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "alpha/");
    EXPECT_EQ(StatusPanel(*form, 4)->text(), root_ + "alpha/");
    EXPECT_EQ(DirTree(*form)->SelectedFolder(), root_ + "alpha/");
    EXPECT_EQ(left->Directory(), root_ + "alpha/");
    EXPECT_EQ(HistoryCombo(*form)->currentText(), root_ + "alpha/");
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 0); // nothing measured

    // A file opens once with its application; the current folder stays.
    form->Session().SelectFolder(root_);
    DoubleClick(left, root_ + "top.txt");
    EXPECT_EQ(opened_, QStringList{root_ + "top.txt"});
    EXPECT_EQ(form->Session().CurrentFolder(), root_);

    // Choosing a parent in the left path box makes it the current folder.
    const QString parent = QDir::cleanPath(tmp_.path()) + "/";
    emit PathCombo(left)->activated(PathCombo(left)->findData(parent));
    EXPECT_EQ(form->Session().CurrentFolder(), parent);
    EXPECT_EQ(left->Directory(), parent);
    form->Session().SelectFolder(root_);

    // Up selects the parent; at the root the root stays.
    UpButton(left)->click();
    EXPECT_EQ(form->Session().CurrentFolder(), QDir::cleanPath(tmp_.path()) + "/");
    form->Session().SelectFolder("/");
    UpButton(left)->click();
    EXPECT_EQ(form->Session().CurrentFolder(), "/");
    EXPECT_EQ(left->Directory(), "/");
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(CommanderTest, RightPaneReturnsToItsRememberedFolder) {
    auto form = Open(MainWindow::pgCommander, root_, root_ + "other");
    FolderPane* right = RightPane();
    EXPECT_EQ(right->Directory(), root_ + "other/");
    EXPECT_EQ(FolderLabel(right)->text(), root_ + "other");
    EXPECT_EQ(PathCombo(right)->currentData().toString(), root_ + "other/");

    // The pane enters a double-clicked folder; the label follows.
    DoubleClick(right, root_ + "other/inner");
    EXPECT_EQ(right->Directory(), root_ + "other/inner/");
    EXPECT_EQ(FolderLabel(right)->text(), root_ + "other/inner");
    EXPECT_EQ(form->Session().CurrentFolder(), root_); // the right pane moves nothing else
    UpButton(right)->click();
    EXPECT_EQ(right->Directory(), root_ + "other/");
    EXPECT_EQ(FolderLabel(right)->text(), root_ + "other/");

    // Another page and back: the remembered folder again.
    right->SetDirectory(root_ + "beta");
    PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    PageTabs(*form)->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_EQ(right->Directory(), root_ + "other/");

    // Choosing in the right path box shows that folder in both panes, while the
    // current folder and the left label stay.
    const int entry = PathCombo(right)->findData(root_);
    ASSERT_GE(entry, 0);
    emit PathCombo(right)->activated(entry);
    EXPECT_EQ(right->Directory(), root_);
    EXPECT_EQ(LeftPane()->Directory(), root_);
    EXPECT_EQ(FolderLabel(right)->text(), root_);
    EXPECT_EQ(form->Session().CurrentFolder(), root_);

    // A pane never shows a folder that is not there.
    EXPECT_THROW(right->SetDirectory(root_ + "missing"), EMorvaneError);
    QString message;
    try {
        right->SetDirectory(root_ + "top.txt");
    } catch (const EMorvaneError& e) {
        message = e.message();
    }
    EXPECT_EQ(message, "Directory does not exist");
    EXPECT_EQ(right->Directory(), root_);
    right->SetDirectory("/");
    UpButton(right)->click();
    EXPECT_EQ(right->Directory(), "/");

    // A remembered folder removed meanwhile is passed over without a word.
    right->SetDirectory(root_ + "beta");
    QDir(root_ + "other").removeRecursively();
    PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    PageTabs(*form)->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_EQ(right->Directory(), root_ + "beta/");
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(CommanderTest, ActivePaneCaptionsAndButtonsNotSupported) {
    auto form = Open(MainWindow::pgCommander, root_, root_ + "other");
    EXPECT_EQ(Captions(),
              (QStringList{"Copy", "Move", "MakeDir", "Delete", "Copy to zip", "Move to zip"}));
    EXPECT_FALSE(LeftPane()->HasBorder());
    EXPECT_FALSE(RightPane()->HasBorder());

    Click(LeftPane());
    EXPECT_EQ(Captions(), (QStringList{"Copy >>", "Move >>", "| Make Dir", "| Delete",
                                       "   Copy to Zip >>", "   Move to Zip >>"}));
    EXPECT_TRUE(LeftPane()->HasBorder());
    EXPECT_FALSE(RightPane()->HasBorder());

    Click(RightPane());
    EXPECT_EQ(Captions(), (QStringList{"<< Copy", "<< Move", "Make Dir  |", "Delete  |",
                                       "   << Copy to Zip", "   << Move to Zip"}));
    EXPECT_FALSE(LeftPane()->HasBorder());
    EXPECT_TRUE(RightPane()->HasBorder());

    RightPane()->SelectItem(root_ + "other/inner");
    for (QToolButton* b : Buttons())
        b->click();
    EXPECT_EQ(messages_, QStringList(6, "not supported yet"));
    EXPECT_TRUE(QFileInfo(root_ + "other/inner").isDir());
    EXPECT_EQ(QDir(root_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
              5);
}

TEST_F(CommanderTest, RightDirStoredAtShutdownAndMissingOneIgnored) {
    {
        auto form = Open(MainWindow::pgCommander, root_, root_ + "other");
        RightPane()->SetDirectory(root_ + "beta");
    }
    EXPECT_EQ(ReadIniString(ini_, "LastDir", "Right Dir", ""), root_ + "beta/");
    {
        // Never shown: the remembered folder is kept, not lost.
        auto form = Open(MainWindow::pgFolderList, root_);
        EXPECT_TRUE(RightPane()->Directory().isEmpty());
        EXPECT_EQ(form->findChild<CommanderPage*>()->RememberedRightFolder(), root_ + "beta/");
    }
    EXPECT_EQ(ReadIniString(ini_, "LastDir", "Right Dir", ""), root_ + "beta/");
    {
        auto form = Open(MainWindow::pgCommander, root_, root_ + "gone");
        EXPECT_EQ(form->findChild<CommanderPage*>()->RememberedRightFolder(), "/");
        EXPECT_EQ(RightPane()->Directory(), "/");
    }
}

TEST_F(CommanderTest, ViewStyleRadioItemsAndPaneContents) {
    auto form = Open(MainWindow::pgCommander, root_, root_);
    FolderPane* left = LeftPane();
    FolderPane* right = RightPane();
    for (Style s : {Style::Icon, Style::SmallIcon, Style::List, Style::Report, Style::Thumb})
        EXPECT_FALSE(left->ViewItem(s)->isChecked());
    EXPECT_EQ(left->Style(), Style::Icon);
    const QStringList captions = [&] {
        QStringList out;
        for (QAction* a : ViewMenu(left)->actions())
            out << a->text();
        return out;
    }();
    EXPECT_EQ(captions, (QStringList{"Thumbnails", "Tiles", "Icons", "List", "Details"}));

    left->ViewItem(Style::Report)->trigger();
    EXPECT_EQ(left->Style(), Style::Report);
    EXPECT_EQ(left->CurrentView(), static_cast<QAbstractItemView*>(DetailsView(left)));
    EXPECT_TRUE(left->ViewItem(Style::Report)->isChecked());
    left->ViewItem(Style::Thumb)->trigger();
    EXPECT_EQ(left->Style(), Style::Thumb);
    EXPECT_FALSE(left->ViewItem(Style::Report)->isChecked());
    right->ViewItem(Style::List)->trigger();
    EXPECT_EQ(right->Style(), Style::List);
    EXPECT_EQ(left->Style(), Style::Thumb);

    // Right-clicking a view button checks "Icons" on the left; no view changes.
    emit ViewButton(right)->customContextMenuRequested(QPoint());
    EXPECT_TRUE(left->ViewItem(Style::SmallIcon)->isChecked());
    EXPECT_EQ(left->Style(), Style::Thumb);
    EXPECT_EQ(right->Style(), Style::List);

    // Hidden names are not listed; details have name, size, type and date.
    QFileSystemModel* files = left->Files();
    EXPECT_TRUE(files->index(root_ + "top.txt").isValid());
    EXPECT_FALSE(files->filter() & QDir::Hidden);
    EXPECT_EQ(files->columnCount(), 4);
    // Info tips and multi-selection on the left pane only.
    auto item = [&](FolderPane* pane) {
        auto* proxy = qobject_cast<QAbstractProxyModel*>(ListView(pane)->model());
        return proxy->mapFromSource(pane->Files()->index(root_ + "top.txt"));
    };
    EXPECT_TRUE(item(left).data(Qt::ToolTipRole).toString().startsWith("top.txt\n"));
    EXPECT_TRUE(item(right).data(Qt::ToolTipRole).toString().isEmpty());
    EXPECT_EQ(ListView(left)->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(ListView(right)->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(CommanderTest, PaneFileOperationsGoThroughTheShellOperation) {
    auto form = Open(MainWindow::pgCommander, root_, root_ + "beta");
    YesUi ui;
    FolderPane* left = LeftPane();
    FolderPane* right = RightPane();
    left->ShellUi = right->ShellUi = &ui;

    left->SelectItem(root_ + "top.txt");
    left->CopySelected(false);
    right->PasteIntoFolder();
    EXPECT_TRUE(QFileInfo::exists(root_ + "beta/top.txt"));
    EXPECT_TRUE(QFileInfo::exists(root_ + "top.txt"));

    // Cut and paste moves, and what was cut cannot be pasted twice.
    right->SetDirectory(root_ + "other");
    left->SelectItem(root_ + "top.txt");
    left->CopySelected(true);
    right->PasteIntoFolder();
    EXPECT_TRUE(QFileInfo::exists(root_ + "other/top.txt"));
    EXPECT_FALSE(QFileInfo::exists(root_ + "top.txt"));
    const QMimeData* left_over = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(!left_over || !left_over->hasUrls());

    // Pasting into the folder the copy came from is refused, nothing replaced.
    right->SelectItem(root_ + "other/top.txt");
    right->CopySelected(false);
    right->PasteIntoFolder();
    EXPECT_EQ(ui.errors.size(), 1);

    // A drop copies through the same operation once the drop is over; a
    // drop where the item already lies is refused.
    QAbstractItemModel* target = ListView(right)->model();
    const QModelIndex folder = ListView(right)->rootIndex();
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(root_ + "alpha/deep")});
    EXPECT_TRUE(target->canDropMimeData(&drop, Qt::CopyAction, -1, -1, folder));
    target->dropMimeData(&drop, Qt::CopyAction, -1, -1, folder);
    EXPECT_FALSE(QFileInfo::exists(root_ + "other/deep"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(QFileInfo(root_ + "other/deep").isDir());
    EXPECT_TRUE(QFileInfo(root_ + "alpha/deep").isDir());
    drop.setUrls({QUrl::fromLocalFile(root_ + "other/top.txt")});
    EXPECT_FALSE(target->canDropMimeData(&drop, Qt::MoveAction, -1, -1, folder));

    // Move to Trash lands in the Trash, never a plain delete.
    right->SelectItem(root_ + "other/inner");
    right->TrashSelected();
    EXPECT_FALSE(QFileInfo::exists(root_ + "other/inner"));
    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files";
    EXPECT_TRUE(QFileInfo(trash + "/inner").isDir() ||
                !QDir(trash).entryList({"inner*"}, QDir::Dirs).isEmpty());
}

TEST_F(CommanderTest, NamesThatAreNotTextPastedOrDroppedFromElsewhereKeepTheirBytes) {
    const QByteArray raw = QFile::encodeName(root_) + "alpha/caf\xe9.txt";
    MakeFile(raw, 4);
    auto form = Open(MainWindow::pgCommander, root_, root_ + "beta");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    YesUi ui;
    FolderPane* right = RightPane();
    right->ShellUi = &ui;
    // As a file manager puts it on the clipboard: the name's bytes percent-encoded.
    const QUrl url = QUrl::fromEncoded("file://" + raw.toPercentEncoding("/"));
    auto copied = std::make_unique<QMimeData>();
    copied->setUrls({url});
    QApplication::clipboard()->setMimeData(copied.release());
    right->CurrentView()->setFocus();
    QTest::keyClick(right->CurrentView(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(Exists(QFile::encodeName(root_) + "beta/caf\xe9.txt"));

    right->SetDirectory(root_ + "other");
    QMimeData drop;
    drop.setUrls({url});
    QAbstractItemModel* model = right->CurrentView()->model();
    model->dropMimeData(&drop, Qt::MoveAction, -1, -1, right->CurrentView()->rootIndex());
    QCoreApplication::processEvents();
    EXPECT_TRUE(Exists(QFile::encodeName(root_) + "other/caf\xe9.txt"));
    EXPECT_FALSE(Exists(raw));
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('|').toStdString();
}

TEST_F(CommanderTest, ToolBarControlsAreReachableByTheMouse) {
    auto form = Open(MainWindow::pgCommander, root_, root_ + "other");
    for (FolderPane* pane : {LeftPane(), RightPane()}) {
        // What lies under each control's centre is the control itself.
        for (QWidget* w :
             {static_cast<QWidget*>(ViewButton(pane)), static_cast<QWidget*>(UpButton(pane)),
              static_cast<QWidget*>(PathCombo(pane))}) {
            ASSERT_TRUE(w->isVisible()) << w->objectName().toStdString();
            QWidget* hit = Tools(pane)->childAt(w->mapTo(Tools(pane), w->rect().center()));
            EXPECT_TRUE(hit == w || w->isAncestorOf(hit)) << w->objectName().toStdString();
        }
    }
    // The right tool bar: view button, up button, separator, path box.
    const QList<QAction*> right = Tools(RightPane())->actions();
    ASSERT_EQ(right.size(), 4);
    EXPECT_EQ(Tools(RightPane())->widgetForAction(right[1]), UpButton(RightPane()));
    EXPECT_TRUE(right[2]->isSeparator());
    EXPECT_EQ(Tools(RightPane())->widgetForAction(right[3]), PathCombo(RightPane()));

    QTest::mouseClick(UpButton(RightPane()), Qt::LeftButton, {},
                      UpButton(RightPane())->rect().center());
    EXPECT_EQ(RightPane()->Directory(), root_);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(CommanderTest, AClickSelectsTheItemForEveryCommandInEveryStyle) {
    auto form = Open(MainWindow::pgCommander, root_, root_ + "beta");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    YesUi ui;
    const std::pair<Style, const char*> styles[] = {{Style::Icon, "Tiles"},
                                                    {Style::SmallIcon, "Icons"},
                                                    {Style::List, "List"},
                                                    {Style::Thumb, "Thumbnails"},
                                                    {Style::Report, "Details"}};
    for (FolderPane* pane : {LeftPane(), RightPane()}) {
        pane->ShellUi = &ui;
        for (const auto& [style, caption] : styles) {
            const std::string at = pane->objectName().toStdString() + "/" + caption;
            const QString file = pane->Directory() + caption + ".txt";
            Touch(file);
            pane->ViewItem(style)->trigger();
            QAbstractItemView* view = pane->CurrentView();
            const QRect r = ItemRect(pane, file);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
            EXPECT_EQ(pane->SelectedPaths(), QStringList{file}) << at;

            // Through the window, which turns a right click into a menu request.
            QTest::mouseClick(form->windowHandle(), Qt::RightButton, {},
                              view->viewport()->mapTo(form.get(), r.center()));
            ASSERT_TRUE(ContextMenu(pane)->isVisible()) << at;
            for (QAction* a : {Part<QAction>(pane, "OpenItem"), Part<QAction>(pane, "CutItem"),
                               Part<QAction>(pane, "CopyItem"), Part<QAction>(pane, "RenameItem"),
                               Part<QAction>(pane, "TrashItem")})
                EXPECT_TRUE(a->isEnabled()) << at << " " << a->text().toStdString();
            ContextMenu(pane)->hide();

            view->setFocus(); // where the closed menu leaves it on a desktop
            QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
            const QMimeData* copied = QApplication::clipboard()->mimeData();
            ASSERT_TRUE(copied && copied->hasUrls()) << at;
            EXPECT_EQ(copied->urls().value(0).toLocalFile(), file) << at;
            QTest::keyClick(view, Qt::Key_Delete); // to the Trash
            EXPECT_FALSE(QFileInfo::exists(file)) << at;
        }
    }
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_TRUE(messages_.isEmpty());
}

TEST(CommanderLogicTest, PathComboEntriesListChainThenPlacesOnce) {
    const QList<PathEntry> e =
        PathComboEntries("/home/u/docs", "/home/u", "/home/u/Desktop", {"/", "/boot", "/boot/"});
    QStringList paths;
    for (const PathEntry& p : e)
        paths << p.path;
    EXPECT_EQ(paths, (QStringList{"/", "/home/", "/home/u/", "/home/u/docs/", "/home/u/Desktop/",
                                  "/boot/"}));
    EXPECT_EQ(e[4].caption, "Desktop");
    EXPECT_EQ(FolderChain("/"), QStringList{"/"});
    EXPECT_TRUE(FolderChain("").isEmpty());
}
