// When the DirectX setup is needed, the setup library's results and the
// paths it is loaded from.
#include <gtest/gtest.h>

#include <string>

#include "engine/directx/directx_setup_rules.h"

using namespace setup;

TEST(DirectXSetupRules, NeededFromTheDetectedVersion) {
    struct Case { std::int32_t detected; std::uint32_t required; bool needed; };
    const Case cases[] = {
        {kDirectXNotFound, 0x40005, true},     {kDirectXUnreadable, 0x40005, true},
        {kDirectXNotApplicable, 0x40005, false}, {0x40005, 0x40005, false},
        {0x40003, 0x40005, true},              {0x50002, 0x40005, false},
        {kDirectXNotFound, 0, true},           {0x40001, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(needsDirectXSetup(c.detected, c.required), c.needed) << std::hex << c.detected;
}

// Every result of DirectXSetupA: the reason shown, and whether the system
// must restart.
TEST(DirectXSetupRules, EveryResultHasItsReason) {
    struct Case { std::int32_t result; DirectXReason reason; bool reboot; };
    const Case cases[] = {
        {0, 0, true},    {1, 0, true},    {-1, 5, false},  {-2, 12, false}, {-3, 3, false},
        {-4, 4, false},  {-5, 9, false},  {-6, 11, false}, {-7, 7, false},  {-8, 6, false},
        {-9, 8, false},  {-10, 0, false}, {-11, 13, false}, {-12, 14, false}, {-13, 10, false},
        {2, 0, false},   {-14, 0, false}, {0x7FFFFFFF, 0, false}, {INT32_MIN, 0, false},
    };
    for (const Case& c : cases) {
        const DirectXSetupOutcome outcome = directXSetupOutcome(c.result);
        EXPECT_EQ(outcome.reason, c.reason) << c.result;
        EXPECT_EQ(outcome.rebootRequired, c.reboot) << c.result;
    }
}

// The root folder and the library below it; a path that would not fit its
// 260-byte buffer gives neither, never a shorter path.
TEST(DirectXSetupRules, PathsBelowTheTemporaryFolder) {
    char root[fmt::kMaxPath], library[fmt::kMaxPath];
    ASSERT_TRUE(directXSetupPaths("C:\\Temp\\", root, library));
    EXPECT_STREQ(root, "C:\\Temp\\Redist\\");
    EXPECT_STREQ(library, "C:\\Temp\\Redist\\dsetup.dll");

    struct Case { std::size_t tempLength; bool fits; };
    // "Redist\" adds 7 characters, "dsetup.dll" 10 more; 259 fit.
    const Case cases[] = {{242, true}, {243, false}, {252, false}, {259, false}, {300, false}};
    for (const Case& c : cases) {
        const std::string temp = "C:\\" + std::string(c.tempLength - 4, 'T') + "\\";
        ASSERT_EQ(temp.size(), c.tempLength);
        EXPECT_EQ(directXSetupPaths(temp.c_str(), root, library), c.fits) << c.tempLength;
        if (c.fits) {
            EXPECT_EQ(std::string(library), temp + "Redist\\dsetup.dll");
        } else {
            EXPECT_STREQ(root, "") << c.tempLength;
            EXPECT_STREQ(library, "") << c.tempLength;
        }
    }
}
