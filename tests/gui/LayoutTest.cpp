// Every page and dialog at its default size: no two visible sibling controls
// overlap and none lies outside its parent, so every control can be seen and
// clicked.
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ExportDialog.h"
#include "gui/dialogs/ListDialog.h"
#include "gui/dialogs/ProgressDialog.h"
#include "gui/dialogs/SettingsDialog.h"
#include "gui/help/HelpWindow.h"
#include "gui/pages/FolderListPage.h"
#include "gui/window/MainWindow.h"
#include <QAbstractScrollArea>
#include <QApplication>
#include <QMainWindow>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {
QString Name(const QWidget* w) {
    const QString n = w->objectName();
    return QLatin1String(w->metaObject()->className()) + (n.isEmpty() ? QString() : "#" + n);
}

// Controls a parent places over one another or beyond its edge on purpose.
bool MayStackOrScroll(const QWidget* parent) {
    // A scroll area's viewport holds content larger than itself (the pages
    // of a list, the widget of a scroll area), moved under the viewport.
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()))
        if (area->viewport() == parent) return true;
    // A stacked widget keeps all its pages in one place, one shown at a time.
    return qobject_cast<const QStackedWidget*>(parent) != nullptr;
}

void Walk(const QWidget* parent, const QString& path, QStringList& faults) {
    QList<const QWidget*> shown;
    for (const QObject* o : parent->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisible() || w->size().isEmpty()) continue;
        shown << w;
    }
    if (!MayStackOrScroll(parent)) {
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const QRect g = shown[i]->geometry();
            if (!parent->rect().contains(g))
                faults << path + " > " + Name(shown[i]) + " lies outside its parent";
            for (qsizetype j = i + 1; j < shown.size(); ++j)
                if (g.intersects(shown[j]->geometry()))
                    faults << path + ": " + Name(shown[i]) + " overlaps " + Name(shown[j]);
        }
    }
    for (const QWidget* w : shown)
        Walk(w, path + " > " + Name(w), faults);
}

// Faults of top at every page of each of its tab widgets, one a line.
std::string Faults(QWidget* top) {
    top->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(top));
    QStringList faults;
    Walk(top, Name(top), faults);
    for (QTabWidget* tabs : top->findChildren<QTabWidget*>()) {
        if (!tabs->isVisible()) continue;
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            Walk(top, Name(top) + "[" + tabs->tabText(i) + "]", faults);
        }
    }
    faults.removeDuplicates();
    return faults.join(QLatin1Char('\n')).toStdString();
}
} // namespace

TEST(Layout, NoControlCoversAnotherOnAnyPageOrDialog) {
    QTemporaryDir tmp;
    const QString ini = tmp.filePath("Morvane.ini");
    WriteIniString(ini, "LastDir", "Start with", tmp.path());
    WriteIniBool(ini, "Switches", "ShowDirTree", true);
    WriteIniBool(ini, "Switches", "HistoryCombo", true);
    MainWindow form(ini);
    EXPECT_EQ(Faults(&form), "");

    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<AboutDialog>(&form));
    dialogs.push_back(std::make_unique<ExportDialog>(ini, &form));
    dialogs.push_back(std::make_unique<SettingsDialog>(ini, &form));
    dialogs.push_back(std::make_unique<ListDialog>(&form));
    dialogs.push_back(std::make_unique<ProgressDialog>(&form));
    dialogs.push_back(std::make_unique<HelpWindow>(&form));
    for (const auto& d : dialogs) {
        EXPECT_EQ(Faults(d.get()), "");
        d->hide();
    }
}
