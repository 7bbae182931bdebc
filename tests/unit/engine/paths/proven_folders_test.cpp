#include <gtest/gtest.h>

#include <string>

#include "engine/paths/proven_folders.h"

using namespace setup;

TEST(ProvenFolders, ResolvedPlaceBelowItsFolder) {
    struct Case {
        const char* resolved;
        const char* parent;
        const char* name;
        bool below;
    } cases[] = {
        {"\\\\?\\C:\\Prod\\a.txt", "\\\\?\\C:\\Prod", "a.txt", true},
        {"\\\\?\\C:\\PROD\\A.TXT", "\\\\?\\C:\\Prod", "a.txt", true},       // case aside
        {"\\\\?\\C:\\Prod", "\\\\?\\C:\\", "Prod", true},                   // below a root
        {"\\\\?\\UNC\\srv\\share\\x", "\\\\?\\UNC\\srv\\share\\", "x", true},
        {"\\\\?\\C:\\windows\\victim.txt", "\\\\?\\C:\\Prod", "victim.txt", false},  // through a link
        {"\\\\?\\C:\\windows", "\\\\?\\C:\\Prod", "w", false},
        {"\\\\?\\C:\\Prod\\w\\x", "\\\\?\\C:\\Prod", "x", false},           // a level more
        {"\\\\?\\C:\\Prodx\\a", "\\\\?\\C:\\Prod", "a", false},             // a sibling folder
        {"\\\\?\\C:\\Prod\\ab", "\\\\?\\C:\\Prod", "a", false},
        {"\\\\?\\C:\\Prod\\a", "\\\\?\\C:\\Prod", "ab", false},
        {"\\\\?\\C:\\Prod\\", "\\\\?\\C:\\Prod", "", false},
        {"\\\\?\\C:\\Prod\\a", "", "a", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.resolved) + " | " + c.parent + " | " + c.name);
        EXPECT_EQ(resolvesBelow(c.resolved, c.parent, c.name), c.below);
    }
}

TEST(ProvenFolders, SplitsAtTheLastLevelKeepingARootWhole) {
    struct Case {
        const char* path;
        bool split;
        const char* folder;
        const char* name;
    } cases[] = {
        {"C:\\Prod\\w\\victim.txt", true, "C:\\Prod\\w", "victim.txt"},
        {"C:\\Prod", true, "C:\\", "Prod"},
        {"\\\\srv\\share\\a", true, "\\\\srv\\share\\", "a"},
        {"\\\\srv\\share\\a\\b", true, "\\\\srv\\share\\a", "b"},
        {"C:\\", false, "", ""},
        {"C:\\Prod\\", false, "", ""},
        {"relative\\a", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char folder[fmt::kMaxPath] = {};
        const char* name = nullptr;
        ASSERT_EQ(splitLastLevel(c.path, folder, name), c.split);
        if (!c.split) continue;
        EXPECT_STREQ(folder, c.folder);
        EXPECT_STREQ(name, c.name);
    }
    const std::string longest = "C:\\" + std::string(fmt::kMaxPath, 'a') + "\\b";
    char folder[fmt::kMaxPath];
    const char* name = nullptr;
    EXPECT_FALSE(splitLastLevel(longest.c_str(), folder, name));
}

TEST(ProvenFolders, RemembersBoundedAndForgets) {
    static ProvenFolders proven;  // large: kept off the stack
    proven.forget();
    proven.remember("C:\\Prod", "\\\\?\\C:\\Prod");
    EXPECT_STREQ(proven.find("c:\\PROD"), "\\\\?\\C:\\Prod");
    EXPECT_EQ(proven.find("C:\\Prod\\w"), nullptr);

    // Full: the oldest goes first, the newest stay.
    for (std::size_t i = 0; i < ProvenFolders::kCapacity; ++i)
        proven.remember(("C:\\f" + std::to_string(i)).c_str(), ("R" + std::to_string(i)).c_str());
    EXPECT_EQ(proven.size(), ProvenFolders::kCapacity);
    EXPECT_EQ(proven.find("C:\\Prod"), nullptr);
    EXPECT_STREQ(proven.find("C:\\f0"), "R0");
    proven.remember("C:\\g", "G");
    EXPECT_EQ(proven.find("C:\\f0"), nullptr);
    EXPECT_STREQ(proven.find("C:\\f1"), "R1");
    EXPECT_STREQ(proven.find("C:\\g"), "G");

    // A path that does not fit is not remembered.
    const std::string tooLong(fmt::kMaxPath, 'x');
    proven.remember(tooLong.c_str(), "R");
    EXPECT_EQ(proven.find(tooLong.c_str()), nullptr);

    proven.forget();
    EXPECT_EQ(proven.size(), 0u);
    EXPECT_EQ(proven.find("C:\\f1"), nullptr);
}
