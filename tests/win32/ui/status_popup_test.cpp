#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "format/package_format.h"
#include "resource_ids.h"
#include "test_support.h"
#include "ui/base_font.h"
#include "ui/notice_dialog.h"

using namespace testing_support;

namespace {

class StatusPopup : public ::testing::Test {
protected:
    void SetUp() override {
        installRecord(buildRecord({{offsetof(fmt::TextSlots, titleMessage), "Example Setup"}}));
    }
    void TearDown() override { resetLoadedState(); }

    static int textWidth(const char* text, HFONT font) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, font);
        SIZE extent = {};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
        SelectObject(dc, previous);
        ReleaseDC(nullptr, dc);
        return extent.cx;
    }

    static SIZE sizeOf(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
};

TEST_F(StatusPopup, GrowsByTheTextWidthAndStaysCentred) {
    HWND empty = setup::showStatusPopup("", nullptr);
    ASSERT_NE(empty, nullptr);
    const SIZE base = sizeOf(empty);
    const SIZE baseText = sizeOf(GetDlgItem(empty, IDC_NOTICE_TEXT));

    const char* text = "Setup is now updating system components, please wait...";
    HWND popup = setup::showStatusPopup(text, nullptr);
    ASSERT_NE(popup, nullptr);
    // The wider of the base font's and the text control's own font's extents:
    // the line must fit the font it is drawn in.
    HWND control = GetDlgItem(popup, IDC_NOTICE_TEXT);
    const int drawn = textWidth(text, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    const int cx = std::max(textWidth(text, setup::baseFont()), drawn);
    EXPECT_GT(cx, 0);
    EXPECT_GE(sizeOf(control).cx, drawn);
    EXPECT_EQ(sizeOf(popup).cx, base.cx + cx);
    EXPECT_EQ(sizeOf(popup).cy, base.cy);
    EXPECT_EQ(sizeOf(GetDlgItem(popup, IDC_NOTICE_TEXT)).cx, baseText.cx + cx);

    // Centred on the client area of a full-screen window, not on the screen.
    for (HWND w : {empty, popup}) {
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXFULLSCREEN) - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYFULLSCREEN) - (r.bottom - r.top)) / 2);
    }

    char caption[64];
    GetWindowTextA(popup, caption, sizeof caption);
    EXPECT_STREQ(caption, "Example Setup");
    char shown[128];
    GetDlgItemTextA(popup, IDC_NOTICE_TEXT, shown, sizeof shown);
    EXPECT_STREQ(shown, text);
    DestroyWindow(popup);
    DestroyWindow(empty);
}

}  // namespace
