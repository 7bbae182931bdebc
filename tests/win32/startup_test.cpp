#include <gtest/gtest.h>
#include <windows.h>

#include "engine/version_compare.h"

// The Win32 build of the pure logic behaves as the native one.
TEST(Win32Startup, VersionCompareOnTarget) {
    EXPECT_LT(setup::compareVersions("1.10", "1.9"), 0);
}
