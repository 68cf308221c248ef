#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/pages/FolderListPage.h"
#include "gui/window/MainWindow.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MainWindow, HasCaption) {
    QTemporaryDir dir;
    MainWindow form(dir.filePath(QStringLiteral("Morvane.ini")));
    EXPECT_EQ(form.windowTitle(), "Morvane ++");
}
