// Plain functions of the main window: cell compare, parent folder, history
// rules, the splash mask, the small dialogs.
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/common/ComboItems.h"
#include "gui/common/ListSort.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/ListDialog.h"
#include "gui/dialogs/ProgressDialog.h"
#include "gui/dialogs/ShellOpDialogs.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/MainWindow.h"
#include "gui/window/SplashScreen.h"
#include "platform/Errors.h"
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace {
FormatLocale Comma() {
    FormatLocale l = FormatLocale::english();
    l.decimalSeparator = QLatin1Char(',');
    l.thousandSeparator = QLatin1Char('.');
    return l;
}
} // namespace

TEST(ListSort, IsNumericTextAcceptsDigitsCommasAndStops) {
    EXPECT_TRUE(IsNumericText(""));
    EXPECT_TRUE(IsNumericText("2004"));
    EXPECT_TRUE(IsNumericText("1999.10"));
    EXPECT_TRUE(IsNumericText("1,5"));
    EXPECT_TRUE(IsNumericText("1.234,5"));
    EXPECT_FALSE(IsNumericText("2004a"));
    EXPECT_FALSE(IsNumericText("-1"));
    EXPECT_FALSE(IsNumericText(" 1"));
    EXPECT_FALSE(IsNumericText("05.Jan.03"));
    EXPECT_FALSE(IsNumericText(QString::fromUtf8("\u0663"))); // Arabic-Indic digit
}

TEST(ListSort, CompareCellsNumbersAsNumbersElseText) {
    const FormatLocale en = FormatLocale::english();
    EXPECT_LT(CompareCells("9", "10", en), 0);
    EXPECT_GT(CompareCells("2004", "1999.10", en), 0);
    EXPECT_EQ(CompareCells("1.50", "1.5", en), 0);
    EXPECT_LT(CompareCells("1,25", "1,5", Comma()), 0);
    // Text: "10" vs "9a" is a text compare, so "1" < "9".
    EXPECT_LT(CompareCells("10", "9a", en), 0);
    EXPECT_LT(CompareCells("<All files in this folder>", "alpha", en), 0);
    EXPECT_NE(CompareCells("abc", "Abc", en), 0); // case-sensitive
    EXPECT_EQ(CompareCells("abc", "abc", en), 0);
    // A numeric text that does not parse is a name, never an error.
    EXPECT_LT(CompareCells("", "1", en), 0);
    EXPECT_GT(CompareCells("1.2.4", "1.2.3", en), 0);
    EXPECT_LT(CompareCells("1,234.5", "1,3", en), 0);
    EXPECT_GT(CompareCells("2.0", "10", Comma()), 0); // "2.0" is no number there
}

static QStringList Sorted(const QStringList& keys, const FormatLocale& loc,
                          const TextOrder& order = TextOrder::current()) {
    QStringList out;
    for (int i : SortedOrder(keys, true, loc, order))
        out << keys[i];
    return out;
}

TEST(ListSort, SortedOrderKeepsOneTextTogetherAndNeverFails) {
    const FormatLocale en = FormatLocale::english();
    EXPECT_EQ(SortedOrder({"10", "9", "9", "100.5"}, true, en), (std::vector<int>{1, 2, 0, 3}));
    EXPECT_EQ(SortedOrder({"10", "9", "9", "100.5"}, false, en), (std::vector<int>{3, 0, 1, 2}));
    EXPECT_EQ(SortedOrder({"", "", ""}, true, en), (std::vector<int>{0, 1, 2}));
    // Version-like names in both decimal forms; equal names stay neighbours even
    // where "2" < "10" < "1a" < "2" makes the comparison go round in a circle.
    for (const FormatLocale& loc : {en, Comma()}) {
        const QStringList s =
            Sorted({"1.2.3", "f.txt", "2.0", "1.2.4", "2", "10", "1a", "f.txt", "2"}, loc);
        EXPECT_EQ(s.indexOf("f.txt") + 1, s.lastIndexOf("f.txt"));
        EXPECT_EQ(s.indexOf("2") + 1, s.lastIndexOf("2"));
    }
}

TEST(ListSort, SortedOrderIsAStableSortOfEachRowWhateverTheRepeats) {
    // Texts alone or numbers alone: the order of a stable sort of every row,
    // whether repeats are looked for or not, with and without collation.
    const FormatLocale en = FormatLocale::english();
    std::mt19937 random(5);
    const QStringList words{"a.txt", "A.txt", "b", "Ärger", "zeta", "Zeta", "a​.txt"};
    for (const TextOrder& order : {TextOrder(QLocale::c()), TextOrder(QLocale(QLocale::German))})
        for (int round = 0; round < 40; ++round) {
            const bool numbers = round % 2;
            QStringList keys;
            for (int i = 0; i < 300; ++i)
                keys << (numbers ? QString::number(random() % 50 * 0.25, 'f', round % 3)
                                 : words[int(random() % words.size())]);
            for (bool up : {true, false}) {
                std::vector<int> expected(std::size_t(keys.size()));
                std::iota(expected.begin(), expected.end(), 0);
                std::stable_sort(expected.begin(), expected.end(), [&](int x, int y) {
                    return (up ? 1 : -1) * CompareCells(keys[x], keys[y], en, order) < 0;
                });
                EXPECT_EQ(SortedOrder(keys, up, en, order), expected);
                EXPECT_EQ(SortedOrder(keys, up, en, order, KeyRepeats::Rare), expected);
            }
        }
    // Mixed, repeats not expected: one text's rows still stay together.
    QStringList keys{"2", "f", "10", "1a", "f", "2"};
    EXPECT_EQ(SortedOrder(keys, true, en, TextOrder(QLocale::c()), KeyRepeats::Rare),
              SortedOrder(keys, true, en, TextOrder(QLocale::c())));
}

TEST(ListSort, WithoutCollationNamesCompareIgnoringCaseThenExactly) {
    EXPECT_TRUE(TextOrder(QLocale(QLocale::English, QLocale::UnitedStates)).UsesCollation());
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        const TextOrder c{QLocale(QString::fromLatin1(name))};
        EXPECT_FALSE(c.UsesCollation()) << name;
        EXPECT_EQ(Sorted({"Zeta", "beta", "alpha", "Beta", "\u00c9cole"}, Comma(), c),
                  (QStringList{"alpha", "Beta", "beta", "Zeta", "\u00c9cole"}))
            << name;
    }
}

TEST(ListSort, SortStateIsOnePairForEveryList) {
    ListSortState s;
    EXPECT_EQ(s.SortColumn, -1);
    s.Click(1);
    EXPECT_TRUE(s.SortAscending);
    s.Click(1);
    EXPECT_FALSE(s.SortAscending);
    s.Click(2);
    EXPECT_TRUE(s.SortAscending);
    EXPECT_EQ(s.SortColumn, 2);
}

TEST(Navigation, ParentFolder) {
    EXPECT_EQ(AnalysisSession::ParentFolder("/"), "/");
    EXPECT_EQ(AnalysisSession::ParentFolder("/usr/"), "/");
    EXPECT_EQ(AnalysisSession::ParentFolder("/usr"), "/");
    EXPECT_EQ(AnalysisSession::ParentFolder("/usr/share/"), "/usr/");
    EXPECT_EQ(AnalysisSession::ParentFolder("/usr/share/doc"), "/usr/share/");
    EXPECT_EQ(AnalysisSession::ParentFolder("/a b/c d/"), "/a b/");
}

TEST(History, AddTextToItemsKeepsOneEntryPerFolderIgnoringCase) {
    QStringList items;
    EXPECT_TRUE(AddTextToItems(items, "/tmp/Temp/", 20));
    EXPECT_FALSE(AddTextToItems(items, "/TMP/temp/", 20));
    EXPECT_FALSE(AddTextToItems(items, "/tmp/Temp/", 20));
    EXPECT_FALSE(AddTextToItems(items, "", 20));
    EXPECT_EQ(items, QStringList{"/tmp/Temp/"}); // the first form stays
}

TEST(History, LimitGrowsToLimitPlusTwoThenReplacesRandomOlderEntry) {
    QStringList items;
    int asked = -1;
    auto pick = [&asked](int n) {
        asked = n;
        return n - 1; // the highest position offered
    };
    for (int i = 0; i < 22; ++i)
        AddTextToItems(items, QString("/f%1/").arg(i), 20, pick);
    EXPECT_EQ(items.size(), 22);
    EXPECT_EQ(asked, -1); // no drop on the way up
    AddTextToItems(items, "/new/", 20, pick);
    EXPECT_EQ(items.size(), 22);
    EXPECT_EQ(asked, 21); // positions 0..20 offered: the last entry is never dropped
    EXPECT_FALSE(items.contains("/f20/"));
    EXPECT_TRUE(items.contains("/f21/"));
    EXPECT_EQ(items.last(), "/new/");
    // A folder already listed still costs an entry on a full list.
    AddTextToItems(items, "/f21/", 20, [](int) { return 0; });
    EXPECT_EQ(items.size(), 21);
    EXPECT_FALSE(items.contains("/f0/"));
    // Limit 0: no limit.
    QStringList open;
    for (int i = 0; i < 50; ++i)
        AddTextToItems(open, QString::number(i), 0);
    EXPECT_EQ(open.size(), 50);
    // A random source out of range never removes the last entry.
    QStringList guarded{"a", "b", "c", "d"};
    AddTextToItems(guarded, "e", 1, [](int n) { return n + 5; });
    EXPECT_EQ(guarded, (QStringList{"b", "c", "d", "e"}));
}

TEST(History, ComboBoxAddAndDelete) {
    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText("/a/");
    AddTextToComboItems(&combo, 20);
    combo.setEditText("/b/");
    AddTextToComboItems(&combo, 20);
    EXPECT_EQ(ComboItems(&combo), (QStringList{"/a/", "/b/"}));
    EXPECT_EQ(combo.currentText(), "/b/");
    combo.setCurrentIndex(1);
    DeleteComboItem(&combo);
    EXPECT_EQ(ComboItems(&combo), QStringList{"/a/"});
    EXPECT_EQ(combo.currentText(), "/a/");
    // Typed text that is no entry: nothing to delete, the first entry is selected.
    combo.setEditText("/typed/");
    DeleteComboItem(&combo);
    EXPECT_EQ(ComboItems(&combo), QStringList{"/a/"});
    combo.setCurrentIndex(0);
    DeleteComboItem(&combo);
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.currentText(), "");
}

TEST(Splash, MaskShowsBlackAndHidesWhite) {
    QImage mask(40, 20, QImage::Format_Mono);
    mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mask.fill(0);
    for (int y = 5; y < 10; ++y)
        for (int x = 10; x < 40; ++x)
            mask.setPixel(x, y, 1); // runs to the row's end
    mask.setPixel(3, 15, 1);
    const QRegion r = MaskRegion(mask);
    EXPECT_TRUE(r.contains(QPoint(10, 5)));
    EXPECT_TRUE(r.contains(QPoint(39, 9)));
    EXPECT_TRUE(r.contains(QPoint(3, 15)));
    EXPECT_FALSE(r.contains(QPoint(9, 5)));
    EXPECT_FALSE(r.contains(QPoint(0, 0)));
    EXPECT_FALSE(r.contains(QPoint(4, 15)));
    EXPECT_EQ(r.boundingRect(), QRect(3, 5, 37, 11));
    // The shipped mask: its key colour is the corner, the shape is visible.
    SplashScreen splash;
    EXPECT_FALSE(splash.Region().isEmpty());
    EXPECT_FALSE(splash.Region().contains(QPoint(0, 0)));
    EXPECT_TRUE(splash.Region().contains(QPoint(240, 200)));
}

TEST(SmallDialogs, ListFormShowsOneLinePerTextLine) {
    ListDialog form;
    auto* list = form.findChild<QListWidget*>("LinesList");
    form.ListText = "Type: text\r\nSize: 12\nAttributes: A\r\n";
    form.show();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), "Size: 12");
    EXPECT_TRUE(list->font().fixedPitch());
    form.ListText = "one";
    form.hide();
    form.show();
    EXPECT_EQ(list->count(), 1);
}

TEST(SmallDialogs, ListFormEndsLinesAtCrLfAndCrLf) {
    EXPECT_EQ(ListDialog::SplitLines("a\rb\nc\r\nd\n\re\r\n"),
              (QStringList{"a", "b", "c", "d", "", "e"}));
    // "Show file type" of a hidden file, as the window shows it.
    QTemporaryDir dir;
    const QString file = dir.filePath(".hidden");
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    ListDialog form;
    auto* list = form.findChild<QListWidget*>("LinesList");
    form.ListText = FileListPage::FileTypeText(file);
    form.show();
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"FileName:", "", file + "  "}));
    EXPECT_EQ(lines.mid(lines.indexOf("FileAttributes:") + 1, 2),
              (QStringList{"Archive ", "Hidden "}));
}

TEST(SmallDialogs, FileOperationBlocksTheWindowFromItsFirstStep) {
    QWidget window;
    QDialog question; // an error box during the work still takes its clicks
    int clicks[2] = {0, 0};
    QPushButton* buttons[2] = {new QPushButton("Refill", &window),
                               new QPushButton("OK", &question)};
    for (int i : {0, 1})
        QObject::connect(buttons[i], &QPushButton::clicked, [&clicks, i] { ++clicks[i]; });
    window.show();
    question.show();
    auto click = [](QWidget* w) {
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
            QCoreApplication::sendEvent(w, &e);
        }
    };
    ShellOpDialogs dialogs(&window);
    dialogs.BeginProgress("Moving", 100); // the progress window is not shown yet
    click(buttons[0]);
    click(buttons[1]);
    EXPECT_EQ(clicks[0], 0);
    EXPECT_EQ(clicks[1], 1);
    dialogs.EndProgress();
    click(buttons[0]);
    EXPECT_EQ(clicks[0], 1);
}

TEST(SmallDialogs, FolderPickersReturnTheChoiceOrLeaveThePath) {
    QString seenStart, seenRoot;
    QString answer = "/chosen";
    SetFolderPickHook([&](QWidget*, const QString&, const QString& start, const QString& root) {
        seenStart = start;
        seenRoot = root;
        return answer;
    });
    BrowseForFolders browse;
    QString path = "/does/not/exist";
    EXPECT_TRUE(browse.BrowseFolderFrom(nullptr, path, "Select Directory Sample", "", 37));
    EXPECT_EQ(seenStart, "/does/not/exist");
    EXPECT_EQ(path, "/chosen");
    answer.clear(); // cancelled
    path = "/kept";
    EXPECT_FALSE(browse.BrowseFolderFrom(nullptr, path, "t", "/root", 37));
    EXPECT_EQ(path, "/kept");
    EXPECT_EQ(seenRoot, "/root");
    EXPECT_EQ(browse.BrowseFolder("t", 0), "");
    FolderDialog pd(nullptr);
    pd.Directory = "/start/";
    EXPECT_FALSE(pd.Execute());
    EXPECT_EQ(pd.Directory, "/start/");
    answer = "/usr";
    EXPECT_TRUE(pd.Execute());
    EXPECT_EQ(pd.Directory, "/usr/");
    SetFolderPickHook({});

    ProgressDialog progress(nullptr, Qt::blue, Qt::white);
    EXPECT_EQ(progress.windowTitle(), "ZipProgress");
    progress.SetProgressMax(3);
    progress.AddProgress(5); // stays within the maximum
    EXPECT_EQ(progress.findChild<ProgressGauge*>("Gauge")->value(), 3);
    // Esc does not close it while the work runs; the owner's close() does.
    progress.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&progress, &esc);
    EXPECT_TRUE(progress.isVisible());
    progress.close();
    EXPECT_FALSE(progress.isVisible());
}
