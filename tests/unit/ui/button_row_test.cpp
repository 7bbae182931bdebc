// A row of buttons widened to its captions: the edges it keeps, where it
// grows, and what it leaves alone.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "ui/button_row.h"

namespace {

TEST(ButtonRow, WidensToTheWidestCaption) {
    struct Case {
        const char* what;
        std::vector<int> lefts;
        int width, wanted, margin;
        int expectedWidth;
        std::vector<int> expectedLefts;
        int grow;
    };
    const Case cases[] = {
        // The replace question at 96 dpi: four buttons of 80 with gaps of 7.
        {"captions that fit stay", {69, 156, 242, 329}, 80, 60, 15, 80, {69, 156, 242, 329}, 0},
        {"a long caption widens all, leftwards", {69, 156, 242, 329}, 80, 90, 15, 90, {29, 126, 222, 319}, 0},
        {"past the margin the dialog grows", {69, 156, 242, 329}, 80, 96, 15, 96, {15, 118, 220, 323}, 10},
        {"one button keeps its right edge", {365}, 75, 90, 10, 90, {350}, 0},
        {"a narrower wish never shrinks", {100, 200}, 75, 10, 10, 75, {100, 200}, 0},
        {"negative sizes count as zero", {-5, 50}, -20, INT_MIN, -7, 0, {0, 50}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const setup::ButtonRowFit fit =
            setup::fitButtonRow(c.lefts.data(), static_cast<int>(c.lefts.size()), c.width, c.wanted, c.margin);
        EXPECT_EQ(fit.width, c.expectedWidth);
        EXPECT_EQ(fit.grow, c.grow);
        for (std::size_t i = 0; i < c.expectedLefts.size(); ++i) EXPECT_EQ(fit.lefts[i], c.expectedLefts[i]) << i;
    }
}

TEST(ButtonRow, KeepsGapsOrderAndTheRightEdgeForAnyWish) {
    const int lefts[] = {69, 156, 242, 329};
    for (int wanted : {INT_MIN, 0, 80, 81, 200, 1000, INT_MAX}) {
        const setup::ButtonRowFit fit = setup::fitButtonRow(lefts, 4, 80, wanted, 15);
        SCOPED_TRACE(wanted);
        EXPECT_GE(fit.width, 80);
        EXPECT_GE(fit.lefts[0], 15);
        EXPECT_EQ(fit.lefts[3] + fit.width, 409 + fit.grow);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(fit.lefts[i + 1] - (fit.lefts[i] + fit.width), lefts[i + 1] - (lefts[i] + 80));
    }
    EXPECT_EQ(setup::fitButtonRow(lefts, 0, 80, 100, 15).width, 0);
    EXPECT_EQ(setup::fitButtonRow(nullptr, 4, 80, 100, 15).width, 0);
    // More buttons than a row holds: the first kMaxRowButtons are fitted.
    const int many[12] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110};
    EXPECT_EQ(setup::fitButtonRow(many, 12, 5, 5, 0).lefts[setup::kMaxRowButtons - 1], 70);
}

}  // namespace
