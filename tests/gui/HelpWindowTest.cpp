// The help window used with mouse and keys, and the manual against the program.
#include "gui/help/HelpWindow.h"
#include "cli/CommandLine.h"
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
// Where the anchor's heading starts in the shown text.
int AnchorPosition(const QTextBrowser* browser, const QString& anchor) {
    for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next())
        for (auto f = b.begin(); !f.atEnd(); ++f)
            if (f.fragment().charFormat().anchorNames().contains(anchor))
                return f.fragment().position();
    return -1;
}
} // namespace

TEST(HelpWindow, SearchHitsTabFocusAndBackForwardFollowTheClicks) {
    HelpWindow help;
    help.show();
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    QTabBar* tabs = help.Tabs()->tabBar();
    auto clickTab = [tabs](int tab) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
    };

    clickTab(HelpWindow::tabIndex);
    EXPECT_EQ(QApplication::focusWidget(), help.Tabs()->currentWidget()->findChild<QLineEdit*>());
    clickTab(HelpWindow::tabSearch);
    auto* searchBox = help.Tabs()->currentWidget()->findChild<QLineEdit*>();
    ASSERT_EQ(QApplication::focusWidget(), searchBox);

    // "Trash" is met long before the housekeeping chapter; its hit there is shown.
    QTest::keyClicks(searchBox, "Trash");
    QTest::keyClick(searchBox, Qt::Key_Return);
    auto* results = help.Tabs()->currentWidget()->findChild<QListWidget*>();
    const QList<QListWidgetItem*> tools =
        results->findItems("Housekeeping tools", Qt::MatchExactly);
    ASSERT_EQ(tools.size(), 1);
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualItemRect(tools[0]).center());
    const QTextCursor hit = help.Browser()->textCursor();
    EXPECT_EQ(hit.selectedText().toLower(), "trash");
    EXPECT_GT(hit.position(), AnchorPosition(help.Browser(), "tools"));
    EXPECT_LT(hit.position(), AnchorPosition(help.Browser(), "help34")); // the next chapter

    // Back and Forward walk the topics shown.
    clickTab(HelpWindow::tabContents);
    auto* contents = qobject_cast<QTreeWidget*>(help.Tabs()->currentWidget());
    ASSERT_NE(contents, nullptr);
    const QTreeWidgetItem* run = contents->findItems("Run (F9)", Qt::MatchExactly).value(0);
    ASSERT_NE(run, nullptr);
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                      contents->visualItemRect(run).center());
    ASSERT_EQ(help.Browser()->source().fragment(), "help5");
    QToolBar* bar = help.findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    auto clickAction = [bar, &help](const char* name) {
        QTest::mouseClick(bar->widgetForAction(help.findChild<QAction*>(name)), Qt::LeftButton);
    };
    clickAction("HelpBack");
    EXPECT_EQ(help.Browser()->source().fragment(), "tools");
    clickAction("HelpForward");
    EXPECT_EQ(help.Browser()->source().fragment(), "help5");
}

TEST(HelpWindow, EveryHeadlessFormHasItsSectionInTheManual) {
    static const QRegularExpression form(QStringLiteral("morvane (--[a-z-]+)"));
    QStringList forms, missing;
    for (auto it = form.globalMatch(ProgramUsage()); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (name != "--help" && name != "--version" && !forms.contains(name)) forms << name;
    }
    EXPECT_GE(forms.size(), 5);
    for (const QString& name : forms)
        if (!HelpWindow::Anchors().contains("cli-" + name.mid(2))) missing << name;
    EXPECT_TRUE(missing.isEmpty()) << missing.join(' ').toStdString();
}
