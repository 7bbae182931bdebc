#include "ui/language_layout.h"

#include <algorithm>

namespace setup {

namespace {

constexpr int kLargest = 32767;

int clamp(int value) { return std::clamp(value, 0, kLargest); }

}  // namespace

int visibleLanguageRows(int rowCount) { return std::clamp(rowCount, 1, kMaxVisibleLanguageRows); }

LanguageLayout layoutLanguageDialog(const LanguageLayoutInput& in) {
    const int margin = clamp(in.margin), gap = clamp(in.gap);
    const int rows = visibleLanguageRows(in.rowCount);
    const bool scrolls = clamp(in.rowCount) > rows;
    const int buttonWidth = std::max({clamp(in.buttonMinWidth), clamp(in.okCaption) + clamp(in.buttonPadding),
                                      clamp(in.cancelCaption) + clamp(in.buttonPadding)});
    const int buttonsWidth = 2 * buttonWidth + clamp(in.buttonGap);
    const int listWidth = clamp(in.longestName) + clamp(in.listFrame) + (scrolls ? clamp(in.scrollBarWidth) : 0) +
                          clamp(in.buttonPadding);

    LanguageLayout out;
    out.contentWidth = std::max({clamp(in.minContentWidth), listWidth, buttonsWidth});
    out.prompt = {margin, margin, margin + out.contentWidth, margin + clamp(in.promptHeight)};
    const int listTop = out.prompt.bottom + gap;
    out.list = {margin, listTop, margin + out.contentWidth, listTop + rows * clamp(in.rowHeight) + clamp(in.listFrame)};
    // OK and Cancel share the right edge, the same width, OK first.
    const int buttonsTop = out.list.bottom + gap;
    const int right = margin + out.contentWidth;
    out.cancel = {right - buttonWidth, buttonsTop, right, buttonsTop + clamp(in.buttonHeight)};
    out.ok = {out.cancel.left - clamp(in.buttonGap) - buttonWidth, buttonsTop, out.cancel.left - clamp(in.buttonGap),
              out.cancel.bottom};
    out.clientWidth = right + margin;
    out.clientHeight = out.cancel.bottom + margin;
    return out;
}

}  // namespace setup
