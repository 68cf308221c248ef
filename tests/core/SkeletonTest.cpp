#include "core/settings/IniFile.h"
#include <gtest/gtest.h>

TEST(RemoveFileExt, DropsOnlyTheLastExtension) {
    EXPECT_EQ(RemoveFileExt("/a.b/c.tar.gz"), "/a.b/c.tar");
    EXPECT_EQ(RemoveFileExt("/a.b/c"), "/a.b/c");
}
