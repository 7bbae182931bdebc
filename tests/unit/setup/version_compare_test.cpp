#include <gtest/gtest.h>

#include "setup/version_compare.h"

using setup::compareVersions;

TEST(VersionCompare, TextOrderNotNumericOrder) {
    EXPECT_LT(compareVersions("1.10", "1.9"), 0);
    EXPECT_GT(compareVersions("1.9", "1.10"), 0);
}

TEST(VersionCompare, LetterCaseIsFolded) {
    EXPECT_EQ(compareVersions("1.00H", "1.00h"), 0);
    EXPECT_EQ(compareVersions("ABC", "abc"), 0);
}

TEST(VersionCompare, ShorterTextSortsFirst) {
    EXPECT_LT(compareVersions("1.0", "1.0a"), 0);
    EXPECT_GT(compareVersions("1.0a", "1.0"), 0);
    EXPECT_LT(compareVersions("1.0", "1.0.1"), 0);
    EXPECT_GT(compareVersions("1.0.1", "1.0"), 0);
    EXPECT_LT(compareVersions("", "1"), 0);
    EXPECT_EQ(compareVersions("", ""), 0);
}

TEST(VersionCompare, BytesCompareUnsigned) {
    // A high-bit character sorts after every ASCII character.
    EXPECT_GT(compareVersions("1.0\xe9", "1.0z"), 0);
    // Upper case folds before comparing: "[" (0x5B) lies between "A" (0x41)
    // and "a" (0x61), so it sorts before both.
    EXPECT_LT(compareVersions("[", "a"), 0);
    EXPECT_LT(compareVersions("[", "A"), 0);
}
