// The wizard's rules, the DirectX version, byte counts and system
// library paths: everything of the wizard that needs no window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/system_library.h"
#include "engine/directx/directx_version_rules.h"
#include "engine/extract/free_space.h"
#include "ui/text/message_wrap.h"
#include "ui/text/size_text.h"
#include "ui/wizard/layout/page_layout.h"
#include "ui/wizard/wizard_rules.h"

using namespace setup;

TEST(WizardRules, RemovingAPageMovesTheLaterOnesDown) {
    std::uint32_t pages[32] = {10, 11, 12, 13};
    std::uint32_t count = 4;
    removeWizardPage(pages, count, -1);
    EXPECT_EQ(count, 4u);
    removeWizardPage(pages, count, 4);  // names no page
    EXPECT_EQ(count, 4u);
    removeWizardPage(pages, count, 1);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(pages[0], 10u);
    EXPECT_EQ(pages[1], 12u);
    EXPECT_EQ(pages[2], 13u);
    removeWizardPage(pages, count, 2);
    EXPECT_EQ(count, 2u);
    std::uint32_t hostile = 0xFFFFFFFF;  // a count beyond the table is taken as 32
    removeWizardPage(pages, hostile, 0);
    EXPECT_EQ(hostile, 31u);
}

TEST(WizardRules, ButtonsByPosition) {
    EXPECT_EQ(wizardButtons(0, 5), kWizardNext);
    EXPECT_EQ(wizardButtons(2, 5), kWizardBack | kWizardNext);
    EXPECT_EQ(wizardButtons(4, 5), kWizardBack | kWizardFinish);
    EXPECT_EQ(wizardButtons(0, 1), kWizardFinish);
}

TEST(WizardRules, PresetsAndFlags) {
    const SelectionPresets presets{0x1, 0x3, 0x3};
    EXPECT_TRUE(presetChecked(presets, kIdDefaultSelection, 0x3));
    EXPECT_TRUE(presetChecked(presets, kIdPreset3, 0x3));  // equal masks: both checked
    EXPECT_FALSE(presetChecked(presets, kIdPreset1, 0x3));
    EXPECT_FALSE(presetChecked(presets, kIdPreset1, 0x7));
    EXPECT_FALSE(presetChecked(presets, kIdDesktopShortcuts, 0x3));
    EXPECT_EQ(presetMask(presets, kIdPreset1, 0x3), 0x1u);
    EXPECT_EQ(presetMask(presets, kIdInstallDirectX, 0x3), 0x3u);
    EXPECT_EQ(withFlag(0xE, 0x1, true), 0xFu);
    EXPECT_EQ(withFlag(0xF, 0x2, false), 0xDu);
}

TEST(DirectXVersion, ProductVersionsAndTheirTexts) {
    struct Case { const char* text; std::int32_t value; };
    const Case cases[] = {
        {"4.05.01.1998", 0x40005}, {"4.04.00.0068", 0x40003}, {"4.03.00.1096", 0x40002},
        {"4.02.95.1206", 0x40001}, {"4.06.02.0436", 0x40006}, {"5.3.1.904", 0x50002},
        {"4", 0x40001},            {"", 0x1},                 {"x.5", 0x1},
        {" +4.07", 0x40007},       {"70000.5", 0x11700005},
    };
    for (const Case& c : cases)
        EXPECT_EQ(directXVersionFromProductVersion(c.text), c.value) << '"' << c.text << '"';

    char text[32];
    formatDirectXVersion(0x40005, "(not found)", "(unknown)", text, sizeof text);
    EXPECT_STREQ(text, "DirectX 5");
    formatDirectXVersion(kDirectXNotFound, "(not found)", "(unknown)", text, sizeof text);
    EXPECT_STREQ(text, "(not found)");
    formatDirectXVersion(kDirectXUnreadable, "(not found)", "(unknown)", text, sizeof text);
    EXPECT_STREQ(text, "(unknown)");
    formatDirectXVersion(kDirectXNotApplicable, "(not found)", "(unknown)", text, sizeof text);
    EXPECT_STREQ(text, "(unknown)");
}

namespace {

// U.S. English standard settings: two fractional digits, comma grouping.
bool usNumber(const char* number, char* out, std::size_t size) {
    double value = 0;
    if (std::strchr(number, 'e') != nullptr || std::sscanf(number, "%lf", &value) != 1) return false;
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.2f", value);
    std::string whole(digits, std::strchr(digits, '.')), grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
        grouped += whole[i];
    }
    grouped += std::strchr(digits, '.');
    if (grouped.size() >= size) return false;
    std::strcpy(out, grouped.c_str());
    return true;
}

}  // namespace

TEST(SizeText, UnitsNumbersAndSuffixes) {
    const std::int64_t KiB = 1024, TiB = KiB * KiB * KiB * KiB;
    struct Case { int unit; std::int64_t value; const char* text; int unitUsed; };
    const Case cases[] = {
        {-1, 1, "1.00 byte", 0},
        {-1, 0, "0.00 bytes", 0},
        {-1, 2, "2.00 bytes", 0},
        {-1, 1023, "1,023.00 bytes", 0},
        {-1, 1024, "1.00 KB", 1},
        {-1, 1536, "1.50 KB", 1},
        {-1, 5 * KiB * KiB * KiB, "5.00 GB", 3},
        {-1, TiB, "1.00 TB", 4},
        {-1, 3000 * TiB, "3,000.00 TB", 4},
        {1, 1536, "1.50 KB", 1},
        {0, 5 * KiB * KiB * KiB, "5,368,709,120.00 bytes", 0},  // counted in full
        {3, 4000, "0.00 GB", 3},
        {1, TiB, "1,073,741,824.00 KB", 1},                     // no exponent form
        {1, INT64_MAX, "9,007,199,254,740,992.00 KB", 1},
    };
    for (const Case& c : cases) {
        char text[kSizeTextSize];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(formatSizeText(text, sizeof text, c.unit, c.value, usNumber), c.unitUsed) << c.value;
        EXPECT_STREQ(text, c.text) << c.value;
    }
    // A formatter that refuses leaves the plain number.
    char text[kSizeTextSize];
    formatSizeText(text, sizeof text, kAutomaticUnit, 1536, [](const char*, char*, std::size_t) { return false; });
    EXPECT_STREQ(text, "1.5 KB");

    EXPECT_EQ(freeSpaceBytes(0x80000000u, 8, 512), std::int64_t(0x80000000u) * 4096);
    EXPECT_EQ(freeSpaceBytes(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), INT64_MAX);
}

// The required figure goes in the free figure's unit, except where that
// would show a size that is not zero as zero.
TEST(SizeText, RequiredFigureNeverReadsAsZero) {
    const std::int64_t KiB = 1024, MiB = KiB * KiB;
    struct Case { int freeUnit; std::int64_t required; const char* text; int unitUsed; };
    const Case cases[] = {
        {3, MiB, "1.00 MB", 2},            // 1 MB beside gigabytes free: not "0.00 GB"
        {3, 3 * MiB * KiB / 2, "1.50 GB", 3},
        {3, 0, "0.00 GB", 3},              // nothing needed reads as nothing
        {2, 12 * KiB, "0.01 MB", 2},       // shows as a figure: kept in the free unit
        {2, 4 * KiB, "4.00 KB", 1},
        {-1, 4 * KiB, "4.00 KB", 1},       // free space unknown: its own unit
        {0, 5, "5.00 bytes", 0},
    };
    for (const Case& c : cases) {
        char text[kSizeTextSize];
        EXPECT_EQ(formatRequiredSizeText(text, sizeof text, c.freeUnit, c.required, usNumber), c.unitUsed) << c.required;
        EXPECT_STREQ(text, c.text) << c.required;
    }
}

// Long paths in a message box are broken onto lines, at a backslash where
// one lies near the limit; short runs and blanks stay as they are.
TEST(MessageWrap, LongRunsAreBrokenAtSeparators) {
    struct Case { const char* text; std::size_t longest; const char* wrapped; };
    const Case cases[] = {
        {"short words stay", 8, "short words stay"},
        {"C:\\abc\\defgh\\ij.txt", 10, "C:\\abc\\\ndefgh\\\nij.txt"},
        {"xxxxxxxxxxxx", 5, "xxxxx\nxxxxx\nxx"},          // no separator: at the limit
        {"a C:\\aaaa\\bbbb\\cc b", 8, "a C:\\aaaa\\\nbbbb\\cc b"},
        {"line\nbreaks\n", 4, "line\nbrea\nks\n"},
    };
    for (const Case& c : cases) {
        char out[64];
        EXPECT_TRUE(wrapLongRuns(c.text, out, sizeof out, c.longest)) << c.text;
        EXPECT_STREQ(out, c.wrapped) << c.text;
    }
    // The 305-character folder of a default installation: every line fits.
    const std::string folder = "C:\\" + std::string(150, 'a') + "\\" + std::string(150, 'b') + "\\";
    char out[512];
    EXPECT_TRUE(wrapLongRuns(("Cannot create " + folder + " here.").c_str(), out, sizeof out));
    std::size_t run = 0, longestRun = 0;
    for (const char* p = out; *p != '\0'; ++p) {
        run = (*p == ' ' || *p == '\n') ? 0 : run + 1;
        longestRun = std::max(longestRun, run);
    }
    EXPECT_LE(longestRun, kLongestMessageRun);
    char small[8];
    EXPECT_FALSE(wrapLongRuns("a much longer text", small, sizeof small));
    EXPECT_STREQ(small, "a much ");
}

TEST(SystemLibraryPath, JoinsTheSystemFolderAndTheName) {
    char path[40];
    EXPECT_TRUE(systemLibraryPath(path, sizeof path, "C:\\windows\\system32", "comctl32.dll"));
    EXPECT_STREQ(path, "C:\\windows\\system32\\comctl32.dll");
    EXPECT_TRUE(systemLibraryPath(path, sizeof path, "C:\\", "version.dll"));
    EXPECT_STREQ(path, "C:\\version.dll");
    EXPECT_FALSE(systemLibraryPath(path, sizeof path, "", "version.dll"));
    EXPECT_FALSE(systemLibraryPath(path, sizeof path, "C:\\windows\\system32", "a-much-much-longer-name.dll"));
    EXPECT_STREQ(path, "");
}
