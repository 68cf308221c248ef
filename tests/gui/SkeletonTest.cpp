#include "app/MainFormU.h"
#include <gtest/gtest.h>

TEST(MainWindow, HasCaption) {
    TForm1 form;
    EXPECT_EQ(form.windowTitle(), "Morvane ++");
}
