#include <gtest/gtest.h>

#include "format/text_formats.h"

using fmt::checkFormatText;

TEST(TextFormats, AcceptsWhatTheProgramPasses) {
    EXPECT_EQ(checkFormatText("Could not create '%s'.\nError: %s", "ss"), "");
    EXPECT_EQ(checkFormatText("Installed in %s (100%% done)", "s"), "");
    EXPECT_EQ(checkFormatText("No placeholder at all", "s"), "");  // fewer is harmless
    EXPECT_EQ(checkFormatText("Code %5d: %-20.10s", "ds"), "");
    EXPECT_EQ(checkFormatText("%%", ""), "");
}

TEST(TextFormats, RefusesWhatWouldReadMissingArguments) {
    EXPECT_NE(checkFormatText("%s %s", "s"), "");
    EXPECT_NE(checkFormatText("%d", "s"), "");
    EXPECT_NE(checkFormatText("%n", "s"), "");
    EXPECT_NE(checkFormatText("%p", "s"), "");
    EXPECT_NE(checkFormatText("50% off", ""), "");
    EXPECT_NE(checkFormatText("ends with %", "s"), "");
    EXPECT_NE(checkFormatText("%*s", "s"), "");  // a width taken from the arguments
}

TEST(TextFormats, KnowsWhichTextsAreFormats) {
    EXPECT_STREQ(fmt::formatArguments(offsetof(fmt::TextSlots, errWriteFile)), "ss");
    EXPECT_STREQ(fmt::formatArguments(offsetof(fmt::TextSlots, errCrc)), "");
    EXPECT_EQ(fmt::formatArguments(offsetof(fmt::TextSlots, msgConfirmInstall)), nullptr);
}
