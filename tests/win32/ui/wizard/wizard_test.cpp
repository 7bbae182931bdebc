// The wizard's pieces that need the program's own process: the page fonts,
// the locale's number format, the system libraries and the DirectX version.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "base/process_state.h"
#include "engine/directx/directx_version.h"
#include "ui/base_font.h"
#include "ui/common_controls.h"
#include "ui/text/size_text.h"
#include "ui/wizard/font_cache.h"
#include "ui/wizard/item_fonts.h"
#include "ui/wizard/layout/page_layout.h"

namespace {

LOGFONTA describe(HFONT font) {
    LOGFONTA description = {};
    GetObjectA(font, sizeof description, &description);
    return description;
}

TEST(WizardFonts, DerivedFromTheBaseFontAndSharedByEqualFlags) {
    for (HFONT& font : setup::fontCache) font = nullptr;
    const LOGFONTA base = describe(setup::baseFont());
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(base.lfHeight, -(8 * GetDeviceCaps(screen, LOGPIXELSY) / 72));
    ReleaseDC(nullptr, screen);
    EXPECT_STREQ(base.lfFaceName, "MS Sans Serif");

    HFONT heading = setup::itemFont(0x190);
    ASSERT_NE(heading, nullptr);
    const LOGFONTA large = describe(heading);
    EXPECT_EQ(large.lfHeight, base.lfHeight * 2);
    EXPECT_EQ(large.lfWeight, FW_BOLD);
    EXPECT_STREQ(large.lfFaceName, "Arial");
    EXPECT_FALSE(large.lfItalic);
    // Equal font flags share one handle, whatever the other bits say.
    EXPECT_EQ(setup::itemFont(0x191), heading);
    EXPECT_EQ(setup::itemFont(0x19E), heading);

    const LOGFONTA italic = describe(setup::itemFont(0x288));
    EXPECT_STREQ(italic.lfFaceName, "Arial");
    EXPECT_TRUE(italic.lfItalic);
    EXPECT_EQ(italic.lfHeight, base.lfHeight);
    const LOGFONTA small = describe(setup::itemFont(0x460));
    EXPECT_EQ(small.lfHeight, base.lfHeight * 3 / 4);
    EXPECT_STREQ(small.lfFaceName, "Times New Roman");
    EXPECT_TRUE(small.lfUnderline);
    EXPECT_NE(setup::itemFont(0), heading);
}

TEST(WizardSizeText, LocaleStandardFormat) {
    struct Case { std::int64_t value; const char* text; };
    const Case cases[] = {{1, "1.00 byte"}, {512, "512.00 bytes"}, {1536, "1.50 KB"},
                          {1536LL << 30, "1.50 TB"}};
    for (const Case& c : cases) {
        char text[setup::kSizeTextSize];
        setup::formatSizeText(text, sizeof text, setup::kAutomaticUnit, c.value);
        EXPECT_STREQ(text, c.text);
    }
    // A million or more of a forced unit: in digits, through the locale
    // (whose grouping of long numbers is Wine's own), never an exponent.
    char text[setup::kSizeTextSize];
    setup::formatSizeText(text, sizeof text, 1, 1LL << 40);
    EXPECT_EQ(std::strchr(text, 'e'), nullptr) << text;
    EXPECT_EQ(std::strcmp(text + std::strlen(text) - 9, "824.00 KB"), 0) << text;
}

TEST(WizardSystem, PointsToPixelsAsMulDivAndTheLibrariesLoad) {
    for (int points : {-6, -5, 2, 4, 5, 8, 11, 12, 20, 39})
        for (int dpi : {96, 120, 144}) EXPECT_EQ(setup::pointsToPixels(points, dpi), MulDiv(points, dpi, 72));
    EXPECT_NE(setup::loadCommonControls(), nullptr);

    setup::isWindowsNT = true;
    EXPECT_EQ(setup::detectDirectXVersion(), setup::kDirectXNotApplicable);
    // Wine's own DirectDraw reports product version 5.3.1.904.
    setup::isWindowsNT = false;
    EXPECT_EQ(setup::detectDirectXVersion(), 0x00050002);
    setup::isWindowsNT = true;
}

}  // namespace
