// The two-pane page driven by mouse and keys: every tool bar control can be
// clicked, and a click selects what the commands then act on, in every style.
#include "core/settings/IniFile.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FolderPane.h"
#include "gui/window/MainWindow.h"
#include "platform/ShellFileOp.h"
#include "tests/common/TestFiles.h"
#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileSystemModel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

namespace {
using Style = FolderPane::ViewStyle;

struct TrashYes : IShellOpUi {
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

class CommanderInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        root_ = tmp_.filePath("tree") + "/";
        QDir().mkpath(root_ + "sub");
        ini_ = tmp_.filePath("Morvane.ini");
        WriteIniInteger(ini_, "Page", "TabSheet", MainWindow::pgCommander);
        WriteIniString(ini_, "LastDir", "Start with", root_);
        WriteIniString(ini_, "LastDir", "Right Dir", root_ + "sub");
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages_ << text;
            return true;
        });
        form_ = std::make_unique<MainWindow>(ini_);
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        page_ = form_->Commander;
    }
    void TearDown() override { SetMessageBoxHook({}); }

    // The view's rectangle of the item at path, once the pane has read it.
    static QRect ItemRect(FolderPane* pane, const QString& path) {
        auto* proxy = qobject_cast<QAbstractProxyModel*>(pane->ListView->model());
        QModelIndex i;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            i = proxy->mapFromSource(pane->Files()->index(path));
            QApplication::processEvents();
            return i.isValid() && !pane->CurrentView()->visualRect(i).isEmpty();
        })) << path.toStdString();
        return pane->CurrentView()->visualRect(i);
    }

    QTemporaryDir tmp_;
    QString root_, ini_;
    QStringList messages_;
    std::unique_ptr<MainWindow> form_;
    CommanderPage* page_ = nullptr;
};
} // namespace

TEST_F(CommanderInput, ToolBarControlsAreReachableByTheMouse) {
    for (FolderPane* pane : {page_->Left, page_->Right}) {
        const std::string name = pane->objectName().toStdString();
        // What lies under each control's centre is the control itself.
        for (QWidget* w :
             {static_cast<QWidget*>(pane->ViewButton), static_cast<QWidget*>(pane->UpButton),
              static_cast<QWidget*>(pane->PathCombo)}) {
            ASSERT_TRUE(w->isVisible()) << name;
            const QPoint centre = w->mapTo(pane->Tools, w->rect().center());
            QWidget* hit = pane->Tools->childAt(centre);
            EXPECT_TRUE(hit == w || w->isAncestorOf(hit)) << name << " " << centre.x();
        }
    }
    // The right tool bar: view button, up button, separator, path box.
    const QList<QAction*> right = page_->Right->Tools->actions();
    ASSERT_EQ(right.size(), 4);
    EXPECT_EQ(page_->Right->Tools->widgetForAction(right[1]), page_->Right->UpButton);
    EXPECT_TRUE(right[2]->isSeparator());
    EXPECT_EQ(page_->Right->Tools->widgetForAction(right[3]), page_->Right->PathCombo);

    // Up in the right pane, clicked where the user sees it.
    QTest::mouseClick(page_->Right->UpButton, Qt::LeftButton, {},
                      page_->Right->UpButton->rect().center());
    EXPECT_EQ(page_->Right->Directory().toStdString(), root_.toStdString());
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(CommanderInput, AClickSelectsTheItemForEveryCommandInEveryStyle) {
    TrashYes ui;
    const std::pair<Style, const char*> styles[] = {{Style::Icon, "Tiles"},
                                                    {Style::SmallIcon, "Icons"},
                                                    {Style::List, "List"},
                                                    {Style::Thumb, "Thumbnails"},
                                                    {Style::Report, "Details"}};
    for (FolderPane* pane : {page_->Left, page_->Right}) {
        pane->ShellUi = &ui;
        pane->SetDirectory(root_);
        for (const auto& [style, caption] : styles) {
            const std::string at = pane->objectName().toStdString() + "/" + caption;
            const QString file = root_ + caption + ".txt";
            Write(file);
            pane->ViewItem(style)->trigger();
            QAbstractItemView* view = pane->CurrentView();
            const QRect r = ItemRect(pane, file);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
            EXPECT_EQ(pane->SelectedPaths().join(",").toStdString(), file.toStdString()) << at;
            EXPECT_EQ(pane->SelectedPath().toStdString(), file.toStdString()) << at;

            // The pop-up menu offers the item commands for it.
            // Through the window, which turns a right click into a menu request.
            QTest::mouseClick(form_->windowHandle(), Qt::RightButton, {},
                              view->viewport()->mapTo(form_.get(), r.center()));
            ASSERT_TRUE(pane->ContextMenu->isVisible()) << at;
            for (QAction* a :
                 {pane->OpenItem, pane->CutItem, pane->CopyItem, pane->RenameItem, pane->TrashItem})
                EXPECT_TRUE(a->isEnabled()) << at << " " << a->text().toStdString();
            pane->ContextMenu->hide();
            pane->CopyItem->trigger();
            const QMimeData* copied = QApplication::clipboard()->mimeData();
            ASSERT_TRUE(copied && copied->hasUrls()) << at;
            EXPECT_EQ(copied->urls().value(0).toLocalFile().toStdString(), file.toStdString())
                << at;

            // Del sends it to the Trash.
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Delete);
            EXPECT_FALSE(QFileInfo::exists(file)) << at;
        }
    }
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_TRUE(messages_.isEmpty());
}
