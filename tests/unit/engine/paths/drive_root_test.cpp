#include <gtest/gtest.h>

#include "engine/paths/drive_root.h"

using namespace setup;

TEST(DriveRoot, LettersNetworkPathsAndTheRest) {
    struct Case { const char* path; const char* root; };
    const Case cases[] = {
        {"c:\\Program Files\\Writer\\", "C:\\"},
        {"D:", "D:\\"},
        {"\\\\server\\share\\dir\\sub\\", "\\\\server\\share\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\server", "\\\\server\\"},
        {"Writer\\", ""},
        {"\\Writer\\", ""},
        {"1:\\x", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char root[kDriveRootSize];
        driveRootOf(c.path, root, sizeof root);
        EXPECT_STREQ(root, c.root) << c.path;
    }
    char small[8];
    driveRootOf("\\\\server\\share\\", small, sizeof small);
    EXPECT_STREQ(small, "\\\\serve");
}
