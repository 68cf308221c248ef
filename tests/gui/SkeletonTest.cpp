#include "app/MainFormU.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MainWindow, HasCaption) {
    QTemporaryDir dir;
    TForm1 form(dir.filePath(QStringLiteral("Morvane.ini")));
    EXPECT_EQ(form.windowTitle(), "Morvane ++");
}
