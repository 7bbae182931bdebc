#include <gtest/gtest.h>

#include "engine/path_rules.h"

using namespace setup;

TEST(PathRules, FolderPart) {
    EXPECT_EQ(folderPartLength("C:\\a\\b.txt"), 5u);
    EXPECT_EQ(folderPartLength("C:\\a\\"), 5u);
    EXPECT_EQ(folderPartLength("name"), 0u);
}

TEST(PathRules, FolderCreationSkipsDriveRootAndNetworkShare) {
    EXPECT_EQ(folderCreationStart("C:\\a\\b\\"), 3u);
    EXPECT_EQ(folderCreationStart("\\\\server\\share\\a\\"), 15u);
    EXPECT_EQ(folderCreationStart("\\\\server\\share"), 14u);   // nothing to create
    EXPECT_EQ(folderCreationStart("\\\\server"), 8u);
    EXPECT_EQ(folderCreationStart("\\a\\"), 1u);
    EXPECT_EQ(folderCreationStart("a\\b\\"), 0u);
    EXPECT_EQ(folderCreationStart("C:"), 2u);
    EXPECT_EQ(folderCreationStart(""), 0u);
}

TEST(PathRules, ProgressPositionRoundsLikeMulDiv) {
    EXPECT_EQ(progressPosition(0, 1000), 0);
    EXPECT_EQ(progressPosition(1000, 1000), 1024);
    EXPECT_EQ(progressPosition(1, 2048), 1);      // 0.5 rounds up
    EXPECT_EQ(progressPosition(1, 2049), 0);
    EXPECT_EQ(progressPosition(2147483647, 2147483647), 1024);  // no 32-bit overflow
    EXPECT_EQ(progressPosition(5, 0), -1);
    EXPECT_EQ(progressPosition(-1, 2048), -1);    // halves away from zero
}
