// The main window driven as a person would: run, drill down, go up, sort,
// history, and its state from one start to the next.
#include "gui/window/MainWindow.h"
#include "WindowParts.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "gui/common/ActivityIndicators.h"
#include "gui/common/ComboItems.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/DirTreeView.h"
#include "platform/Errors.h"
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
void WriteFile(const QString& path, qint64 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
}

// Records the charts' fill requests.
struct ChartSpy {
    explicit ChartSpy(MainWindow* form) {
        QObject::connect(form, &MainWindow::ChartsFillRequested,
                         [this](const QStringList& p, const QStringList& mb) {
                             paths << p;
                             sizes << mb;
                         });
    }
    int count() const { return int(paths.size()); }
    QList<QStringList> paths, sizes;
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        root_ = tmp_.filePath("tree") + "/";
        QDir().mkpath(root_ + "alpha");
        QDir().mkpath(root_ + "beta/gamma");
        WriteFile(root_ + "alpha/a.bin", 3 * 1048576);      // 3 MB
        WriteFile(root_ + "beta/b.bin", 1048576);           // 1 MB
        WriteFile(root_ + "beta/gamma/c.bin", 2 * 1048576); // 2 MB
        WriteFile(root_ + "top.txt", 1024);
        ini_ = tmp_.filePath("AppData/Morvane.ini");
        SetMessageBoxHook([this](MessageKind kind, const QString&, const QString& text) {
            messages_ << text;
            return kind == MessageKind::Question ? answer_ : true;
        });
    }
    void TearDown() override {
        SetMessageBoxHook({});
        SetFolderPickHook({});
    }

    std::unique_ptr<MainWindow> Open(const QStringList& args = {}) {
        return std::make_unique<MainWindow>(ini_, args);
    }
    static QStringList Column(QTreeWidget* list, int c) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(c);
        return out;
    }
    static QTreeWidgetItem* Row(QTreeWidget* list, const QString& caption) {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == caption) return list->topLevelItem(i);
        return nullptr;
    }

    QTemporaryDir tmp_;
    QString root_, ini_;
    QStringList messages_;
    bool answer_ = false;
};
} // namespace

TEST_F(MainFormTest, RunFillsListStatusBarAndHistory) {
    auto form = Open();
    form->Session().SelectFolder(root_);
    EXPECT_EQ(StatusPanel(*form, 4)->text(), root_);
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(),
              0); // selecting measures nothing
    ChartSpy charts(form.get());
    form->Action("actRun")->trigger();

    QTreeWidget* list = FolderPage(*form)->FolderList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    QStringList names = Column(list, 0);
    names.sort();
    EXPECT_EQ(names, (QStringList{"<All files in this folder>", "alpha", "beta"}));
    EXPECT_EQ(Row(list, "alpha")->text(1), "3");
    EXPECT_EQ(Row(list, "alpha")->text(2), "3072");
    EXPECT_EQ(Row(list, "beta")->text(1), "3");
    EXPECT_EQ(Row(list, "<All files in this folder>")->text(2), "1");
    EXPECT_EQ(Row(list, "beta")->text(3), root_ + "beta");
    EXPECT_EQ(list->headerItem()->text(1), "Size (MB)");

    EXPECT_EQ(StatusPanel(*form, 0)->text(), "Total Size :");
    EXPECT_EQ(StatusPanel(*form, 1)->text(), TotalText(form->Session().TotalGB(), "GB"));
    EXPECT_EQ(StatusPanel(*form, 2)->text(), TotalText(6 * 10000, "MB"));
    EXPECT_EQ(StatusPanel(*form, 3)->text(), TotalText(6145 * 10000LL, "KB"));
    EXPECT_EQ(form->Session().TotalMBText(), StatusPanel(*form, 2)->text());
    EXPECT_FALSE(
        form->findChild<QLabel*>("ElapsedLabel")->text().isEmpty()); // the fill's elapsed time
    EXPECT_TRUE(form->findChild<QTimer*>("ElapsedTimer")->isActive());
    EXPECT_EQ(charts.count(), 1);
    EXPECT_EQ(ComboItems(HistoryCombo(*form)), QStringList{root_});
    EXPECT_EQ(form->Activity().Gauge()->value(), 0);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(MainFormTest, DoubleClickDrillsDownAndUpGoesBackWithoutHistory) {
    auto form = Open();
    form->Session().SelectFolder(root_);
    form->RunCurrentFolder();
    QTreeWidget* list = FolderPage(*form)->FolderList();

    emit list->itemDoubleClicked(Row(list, "<All files in this folder>"), 0);
    EXPECT_EQ(form->Session().CurrentFolder(), root_); // the pseudo row does nothing

    emit list->itemDoubleClicked(Row(list, "beta"), 0);
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "beta/");
    EXPECT_EQ(StatusPanel(*form, 4)->text(), root_ + "beta/");
    QStringList names = Column(list, 0);
    names.sort();
    EXPECT_EQ(names, (QStringList{"<All files in this folder>", "gamma"}));

    form->Action("actUpOneDir")->trigger();
    EXPECT_EQ(form->Session().CurrentFolder(), root_);
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(ComboItems(HistoryCombo(*form)), QStringList{root_}); // only Run adds

    // A folder that vanished shows the zero row and leaves the current folder alone.
    QDir(root_ + "alpha").removeRecursively();
    form->AnalyseFolder(root_ + "alpha/");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "0");
    EXPECT_EQ(form->Session().CurrentFolder(), root_);
}

TEST_F(MainFormTest, UpAtTheRootDoesNothing) {
    auto form = Open();
    EXPECT_EQ(StatusPanel(*form, 4)->text(), "/"); // the default start folder is shown
    form->Session().SelectFolder("/");
    int done = 0;
    QObject::connect(form.get(), &MainWindow::AnalysisDone, [&done] { ++done; });
    form->UpOneDir();
    EXPECT_EQ(done, 0);
    EXPECT_EQ(form->Session().CurrentFolder(), "/");
}

TEST_F(MainFormTest, SortTwiceBySizeAndShareTheSortState) {
    auto form = Open();
    form->Session().SelectFolder(root_);
    form->RunCurrentFolder();
    QTreeWidget* list = FolderPage(*form)->FolderList();
    // Make the sizes distinct: alpha 3, beta 3 -> grow beta.
    WriteFile(root_ + "beta/more.bin", 1048576);
    form->RunCurrentFolder();
    ChartSpy charts(form.get());

    form->FolderListColumnClick(list, 1);
    EXPECT_EQ(Column(list, 0), (QStringList{"<All files in this folder>", "alpha", "beta"}));
    ASSERT_EQ(charts.count(), 1);
    EXPECT_EQ(charts.paths[0], Column(list, 3)); // charts in list order
    form->FolderListColumnClick(list, 1);
    EXPECT_EQ(Column(list, 0), (QStringList{"beta", "alpha", "<All files in this folder>"}));
    EXPECT_EQ(charts.count(), 2);
    EXPECT_EQ(charts.sizes[1], (QStringList{"4", "3", "0"}));

    // The sort chart button sorts the same column, continuing the alternation.
    form->SortChartClick();
    EXPECT_EQ(Column(list, 0).first(), "<All files in this folder>");

    // The empty column: empty texts sort as equal texts, so no row moves.
    const QStringList before = Column(list, 0);
    form->FolderListColumnClick(list, 4);
    EXPECT_EQ(Column(list, 0), before);
    EXPECT_EQ(charts.paths.last(), Column(list, 3));

    // One sort state for every list: column 1 here, then column 1 elsewhere
    // sorts that list descending, and leaves the charts alone.
    form->FolderListColumnClick(list, 1);
    QTreeWidget other;
    other.setColumnCount(2);
    for (const char* v : {"1", "3", "2"})
        new QTreeWidgetItem(&other, QStringList{"x", v});
    form->FolderListColumnClick(&other, 1);
    EXPECT_FALSE(form->Session().SortState().SortAscending);
    EXPECT_EQ(Column(&other, 1), (QStringList{"3", "2", "1"}));
    const int fills = charts.count();
    form->FolderListColumnClick(&other, 1);
    EXPECT_EQ(charts.count(), fills);
}

TEST_F(MainFormTest, HistoryTypingPopupAndToggle) {
    auto form = Open();
    QComboBox* combo = HistoryCombo(*form);
    combo->setEditText(root_.left(root_.size() - 3)); // a partial name selects nothing
    EXPECT_NE(form->Session().CurrentFolder(), root_);
    combo->setEditText(root_);
    EXPECT_EQ(form->Session().CurrentFolder(), root_);
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 0);

    form->RunCurrentFolder();
    form->Session().SelectFolder(root_ + "beta/");
    form->RunCurrentFolder();
    form->RunCurrentFolder(); // the same folder twice: one entry
    EXPECT_EQ(ComboItems(combo), (QStringList{root_, root_ + "beta/"}));

    answer_ = false;
    form->Action("DeleteAllHistoryItems")->trigger();
    EXPECT_EQ(combo->count(), 2);
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].startsWith("You are about to delete the complete History Listing"));
    form->Action("ShowAllHistoryItems")->trigger();
    EXPECT_EQ(messages_.last(), root_ + "\n" + root_ + "beta/\n");
    answer_ = true;
    form->Action("DeleteAllHistoryItems")->trigger();
    EXPECT_EQ(combo->count(), 0);

    EXPECT_FALSE(form->HistoryVisible());
    form->Action("actToggleHistCombo")->trigger();
    EXPECT_TRUE(form->HistoryVisible());
}

TEST_F(MainFormTest, DeletingAHistoryEntryLeavesTheCurrentFolderAlone) {
    auto form = Open();
    QComboBox* combo = HistoryCombo(*form);
    for (const QString& f : {root_, root_ + "alpha/", root_ + "beta/"}) {
        form->Session().SelectFolder(f);
        form->RunCurrentFolder();
    }
    combo->setCurrentIndex(1);
    ASSERT_EQ(form->Session().CurrentFolder(), root_ + "alpha/");
    QStringList changes;
    QObject::connect(combo, &QComboBox::editTextChanged,
                     [&changes](const QString& t) { changes << t; });
    form->Action("DeleteHistoryItem")->trigger();
    EXPECT_EQ(ComboItems(combo), (QStringList{root_, root_ + "beta/"}));
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "alpha/");
    EXPECT_EQ(combo->currentText(), root_ + "alpha/");
    EXPECT_TRUE(changes.isEmpty());
    form->Action("DeleteHistoryItem")->trigger(); // the text is no entry now: nothing goes
    EXPECT_EQ(combo->count(), 2);
}

TEST_F(MainFormTest, BrowseSelectsWithoutMeasuring) {
    auto form = Open();
    QString title;
    SetFolderPickHook([&](QWidget*, const QString& t, const QString& start, const QString&) {
        title = t;
        EXPECT_EQ(start, form->Session().CurrentFolder());
        return root_ + "alpha";
    });
    form->Action("actBrowseDir")->trigger();
    EXPECT_EQ(title, "Select directory and press Run to analyze");
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "alpha/");
    EXPECT_EQ(form->FolderPicker().Directory, root_ + "alpha/");
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 0);
    SetFolderPickHook(
        [](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
    form->BrowseForFolder(); // cancelled
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "alpha/");
}

TEST_F(MainFormTest, PagesAdaptTheBottomBoxAndRotateButton) {
    auto form = Open();
    QAction* move = form->Action("Move");
    PageTabs(*form)->setCurrentIndex(MainWindow::pgPieChart);
    EXPECT_TRUE(move->isEnabled());
    move->setChecked(true);
    EXPECT_TRUE(form->Action("actExplodeBiggest")->isEnabled());
    PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    EXPECT_FALSE(move->isEnabled());
    EXPECT_FALSE(move->isChecked());
    EXPECT_FALSE(form->Action("actExplodeBiggest")->isEnabled());
    PageTabs(*form)->setCurrentIndex(MainWindow::pgShortcuts);
    EXPECT_EQ(HistoryCombo(*form)->currentText(), "Delete broken shortcuts and empty folders");
    EXPECT_EQ(form->Session().CurrentFolder(),
              form->Session().StartFolder().endsWith('/')
                  ? form->Session().StartFolder()
                  : form->Session().StartFolder() + "/"); // no selection by the box
    PageTabs(*form)->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_TRUE(HistoryCombo(*form)->font().bold());
    EXPECT_EQ(HistoryCombo(*form)->font().family(), "Courier New");
    PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    EXPECT_FALSE(HistoryCombo(*form)->font().bold());
    EXPECT_EQ(HistoryCombo(*form)->font().family(), "Courier New");
}

TEST_F(MainFormTest, StateIsWrittenAtCloseAndRestoredAtNextStart) {
    {
        auto form = Open();
        EXPECT_TRUE(QFile::exists(ini_)); // the first start creates the file
        EXPECT_EQ(PageTabs(*form)->currentIndex(), MainWindow::pgBarChart); // default page
        form->move(120, 80);
        form->resize(640, 420);
        PageTabs(*form)->setCurrentIndex(MainWindow::pgFileList);
        form->Action("FreeSpaceButt")->setChecked(true);
        form->Action("actShowLegend")->setChecked(true);
        form->Action("actToggle3D")->setChecked(false);
        form->Action("actToggleHistCombo")->trigger();
        form->Session().SelectFolder(root_);
        form->RunCurrentFolder();
        form->Session().SelectFolder(root_ + "alpha/");
        form->RunCurrentFolder();
    }
    EXPECT_EQ(ReadIniInteger(ini_, "Bounds", "width", 0), 640);
    EXPECT_EQ(ReadIniString(ini_, "LastDir", "Start with", ""), root_ + "alpha/");
    EXPECT_EQ(ReadIniInteger(ini_, "HistoryCombo", "count", 0), 2);
    {
        auto form = Open();
        EXPECT_EQ(form->width(), 640);
        EXPECT_EQ(form->height(), 420);
        EXPECT_EQ(PageTabs(*form)->currentIndex(), MainWindow::pgFileList);
        EXPECT_TRUE(form->Action("FreeSpaceButt")->isChecked());
        EXPECT_TRUE(form->Action("actShowLegend")->isChecked());
        EXPECT_FALSE(form->Action("actToggle3D")->isChecked());
        EXPECT_TRUE(form->Action("actMarkVisible")->isChecked());
        EXPECT_TRUE(form->HistoryVisible());
        EXPECT_EQ(form->Session().CurrentFolder(), root_ + "alpha/");
        EXPECT_EQ(ComboItems(HistoryCombo(*form)), (QStringList{root_, root_ + "alpha/"}));
        // Closed maximised: the normal rectangle stays.
        form->showMaximized();
        form->resize(900, 700);
        form->setWindowState(Qt::WindowMaximized);
    }
    EXPECT_EQ(ReadIniInteger(ini_, "Bounds", "width", 0), 640);
    EXPECT_EQ(ReadIniInteger(ini_, "Bounds", "height", 0), 420);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(MainFormTest, CommandLineFolderIsAnalysedAtOnce) {
    auto form = Open({root_ + "beta"});
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "beta/");
    EXPECT_EQ(PageTabs(*form)->currentIndex(), MainWindow::pgBarChart);
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 2);
    EXPECT_FALSE(form->DirTreeOpen());
    EXPECT_EQ(ComboItems(HistoryCombo(*form)), QStringList{root_ + "beta/"});
    form->OpenCloseDirTree(); // F3 opens the pane again
    EXPECT_TRUE(form->DirTreeOpen());
}

TEST_F(MainFormTest, CommandLineTextThatIsNoFolderAnalysesNothing) {
    WriteIniString(ini_, "LastDir", "Start with", root_ + "beta/");
    auto form = Open({root_ + "no such folder"});
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.first().contains(root_ + "no such folder"));
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "beta/");
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 0);
    EXPECT_EQ(HistoryCombo(*form)->count(), 0);
}

TEST_F(MainFormTest, WithoutArgumentStartFolderIsSelectedNotMeasured) {
    WriteIniString(ini_, "LastDir", "Start with", root_ + "beta/");
    auto form = Open();
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "beta/");
    EXPECT_EQ(StatusPanel(*form, 4)->text(), root_ + "beta/");
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 0);
}

TEST_F(MainFormTest, DamagedSettingsFileStartsWithDefaultsAndOneMessage) {
    QDir().mkpath(QFileInfo(ini_).path());
    QFile f(ini_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Bounds\nleft=abc\n\x01\x02garbage=\n[Page]\nTabSheet=99\n[HistoryCombo]\ncount=7\n1=/"
            "x\n");
    f.close();
    auto form = Open();
    EXPECT_EQ(PageTabs(*form)->currentIndex(), MainWindow::pgBarChart);
    EXPECT_EQ(ComboItems(HistoryCombo(*form)), QStringList{"/x"});

    // A settings file that cannot be made: one message, then the defaults.
    messages_.clear();
    MainWindow second("/proc/no-such-dir/AppData/Morvane.ini");
    EXPECT_EQ(messages_.size(), 1);
    EXPECT_EQ(PageTabs(second)->currentIndex(), MainWindow::pgBarChart);
    messages_.clear();
}

TEST_F(MainFormTest, TreeClickSelectsAndRunSizeCheckMeasures) {
    auto form = Open();
    form->OpenCloseDirTree(); // the pane starts folded away in a fresh file
    ASSERT_TRUE(form->DirTreeOpen());
    DirTreeView* tree = DirTree(*form);
    EXPECT_THROW(tree->SelectPath(""), EMorvaneError);
    tree->SelectPath(root_ + "beta");
    EXPECT_EQ(tree->SelectedFolder(), root_ + "beta/");
    emit tree->FolderClicked();
    EXPECT_EQ(form->Session().CurrentFolder(), root_ + "beta/");
    EXPECT_EQ(HistoryCombo(*form)->currentText(), root_ + "beta/");
    EXPECT_EQ(HistoryCombo(*form)->count(), 0); // shown, not added
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 0);

    // Selecting elsewhere moves the open tree along.
    form->Session().SelectFolder(root_ + "alpha/");
    EXPECT_EQ(tree->SelectedFolder(), root_ + "alpha/");
    form->Action("RunSizeCheckItem")->trigger();
    EXPECT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 1); // alpha has no subfolders
    EXPECT_EQ(HistoryCombo(*form)->count(), 0);
    EXPECT_FALSE(tree->NotificationsSuspended());

    // Folded away, the tree is left alone until it opens again.
    form->OpenCloseDirTree();
    form->Session().SelectFolder(root_);
    EXPECT_EQ(tree->SelectedFolder(), root_ + "alpha/");
    form->OpenCloseDirTree();
    EXPECT_EQ(tree->SelectedFolder(), root_);
}
