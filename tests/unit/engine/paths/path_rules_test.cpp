#include <gtest/gtest.h>

#include "engine/paths/path_rules.h"

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

TEST(PathRules, SharedFolderEndsAtAWholeLevel) {
    struct Case {
        const char* dir;
        const char* known;
        std::size_t length;
    } cases[] = {
        {"C:\\P\\a\\", "C:\\P\\a\\", 7},
        {"C:\\P\\a\\b\\", "C:\\P\\a\\", 7},
        {"C:\\P\\a\\", "C:\\P\\a\\b\\", 7},
        {"C:\\P\\ab\\", "C:\\P\\a\\", 5},   // "a" is not "ab"
        {"C:\\P\\a\\", "C:\\P\\ab\\", 5},
        {"C:\\P\\A\\", "C:\\P\\a\\", 5},    // another case: looked at again
        {"C:\\P\\a\\", "", 0},
        {"D:\\P\\", "C:\\P\\", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(sharedFolderLength(c.dir, c.known), c.length) << c.dir << " " << c.known;
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
