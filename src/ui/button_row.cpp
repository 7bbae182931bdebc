#include "ui/button_row.h"

#include <algorithm>

namespace setup {

namespace {

constexpr int kLargest = 32767;

int clamp(int value) { return std::clamp(value, 0, kLargest); }

}  // namespace

ButtonRowFit fitButtonRow(const int* lefts, int count, int width, int wanted, int margin) {
    ButtonRowFit fit;
    if (lefts == nullptr || count <= 0) return fit;
    count = std::min(count, kMaxRowButtons);
    const int oldWidth = clamp(width);
    fit.width = std::max(oldWidth, clamp(wanted));
    // From the right: the last button keeps its right edge, each gap stays.
    const int right = clamp(lefts[count - 1]) + oldWidth;
    fit.lefts[count - 1] = right - fit.width;
    for (int i = count - 2; i >= 0; --i) {
        const int gap = std::max(0, clamp(lefts[i + 1]) - (clamp(lefts[i]) + oldWidth));
        fit.lefts[i] = fit.lefts[i + 1] - gap - fit.width;
    }
    const int missing = clamp(margin) - fit.lefts[0];
    if (missing > 0) {
        for (int i = 0; i < count; ++i) fit.lefts[i] += missing;
        fit.grow = missing;
    }
    return fit;
}

}  // namespace setup
