// The language question's layout from measured sizes: the widths each part
// asks for, the rows the list shows, and the order and bounds that hold for
// every input.
#include <gtest/gtest.h>

#include <climits>

#include "ui/language_layout.h"

namespace {

using setup::LanguageLayout;
using setup::LanguageLayoutInput;
using setup::LayoutRect;

// The dialog's template at 96 dpi, with "OK"/"Cancel" and short names.
LanguageLayoutInput plain() {
    LanguageLayoutInput in;
    in.margin = 11;
    in.gap = 7;
    in.minContentWidth = 249;
    in.promptHeight = 13;
    in.longestName = 60;
    in.rowHeight = 13;
    in.rowCount = 3;
    in.listFrame = 2;
    in.scrollBarWidth = 16;
    in.buttonHeight = 23;
    in.buttonMinWidth = 75;
    in.buttonPadding = 23;
    in.okCaption = 15;
    in.cancelCaption = 34;
    in.buttonGap = 10;
    return in;
}

int width(const LayoutRect& r) { return r.right - r.left; }
int height(const LayoutRect& r) { return r.bottom - r.top; }

bool inside(const LayoutRect& r, const LanguageLayout& layout) {
    return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom && r.right <= layout.clientWidth &&
           r.bottom <= layout.clientHeight;
}

TEST(LanguageLayout, EachPartGetsWhatItsTextsNeed) {
    struct Case {
        const char* what;
        void (*change)(LanguageLayoutInput&);
        int contentWidth, listHeight, buttonWidth, promptHeight;
    };
    const Case cases[] = {
        {"the template as it is", [](LanguageLayoutInput&) {}, 249, 3 * 13 + 2, 75, 13},
        {"a prompt of three lines", [](LanguageLayoutInput& in) { in.promptHeight = 39; }, 249, 41, 75, 39},
        {"a caption wider than the button", [](LanguageLayoutInput& in) { in.cancelCaption = 70; }, 249, 41, 93, 13},
        {"captions wider than the content",
         [](LanguageLayoutInput& in) { in.okCaption = 150; }, 2 * 173 + 10, 41, 173, 13},
        {"a name wider than the list", [](LanguageLayoutInput& in) { in.longestName = 300; }, 300 + 2 + 23, 41, 75, 13},
        {"more names than rows: a scroll bar",
         [](LanguageLayoutInput& in) { in.rowCount = 20; in.longestName = 240; }, 240 + 2 + 16 + 23, 8 * 13 + 2, 75, 13},
        {"exactly the rows shown", [](LanguageLayoutInput& in) { in.rowCount = 8; in.longestName = 240; },
         240 + 2 + 23, 8 * 13 + 2, 75, 13},
        {"no names still one row", [](LanguageLayoutInput& in) { in.rowCount = 0; }, 249, 13 + 2, 75, 13},
        {"negative sizes count as zero",
         [](LanguageLayoutInput& in) { in.promptHeight = -50; in.rowCount = -3; in.okCaption = INT_MIN; }, 249, 15, 75, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LanguageLayoutInput in = plain();
        c.change(in);
        const LanguageLayout layout = setup::layoutLanguageDialog(in);
        EXPECT_EQ(layout.contentWidth, c.contentWidth);
        EXPECT_EQ(height(layout.list), c.listHeight);
        EXPECT_EQ(width(layout.ok), c.buttonWidth);
        EXPECT_EQ(height(layout.prompt), c.promptHeight);
    }
}

TEST(LanguageLayout, OrderAndBoundsHoldForAnyInput) {
    const int values[] = {INT_MIN, -1, 0, 1, 13, 400, 32767, INT_MAX};
    for (int value : values) {
        for (int field = 0; field < 15; ++field) {
            LanguageLayoutInput in = plain();
            int* fields[] = {&in.margin,    &in.gap,         &in.minContentWidth, &in.promptHeight,  &in.longestName,
                             &in.rowHeight, &in.rowCount,    &in.listFrame,       &in.scrollBarWidth, &in.buttonHeight,
                             &in.buttonMinWidth, &in.buttonPadding, &in.okCaption, &in.cancelCaption, &in.buttonGap};
            *fields[field] = value;
            const LanguageLayout l = setup::layoutLanguageDialog(in);
            SCOPED_TRACE(testing::Message() << "field " << field << " = " << value);
            for (const LayoutRect& r : {l.prompt, l.list, l.ok, l.cancel}) EXPECT_TRUE(inside(r, l));
            EXPECT_LE(l.prompt.bottom, l.list.top);
            EXPECT_LE(l.list.bottom, l.ok.top);
            EXPECT_LE(l.ok.right, l.cancel.left);
            EXPECT_EQ(width(l.ok), width(l.cancel));
            EXPECT_EQ(l.cancel.right, l.list.right);
            EXPECT_EQ(l.prompt.right, l.list.right);
            EXPECT_GE(l.ok.left, l.list.left);
        }
    }
    EXPECT_EQ(setup::visibleLanguageRows(-1), 1);
    EXPECT_EQ(setup::visibleLanguageRows(3), 3);
    EXPECT_EQ(setup::visibleLanguageRows(1000), setup::kMaxVisibleLanguageRows);
}

}  // namespace
