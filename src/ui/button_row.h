// A row of push buttons that share one width, left to right on one line,
// widened so that the widest caption fits: the row keeps its right edge and
// its gaps and grows to the left; where it would pass the dialog's margin,
// it moves right by what is missing and the dialog grows by as much. Pure
// code; the dialogs measure their captions and move their buttons.
#ifndef UI_BUTTON_ROW_H
#define UI_BUTTON_ROW_H

namespace setup {

inline constexpr int kMaxRowButtons = 8;

struct ButtonRowFit {
    int width = 0;                   // every button's width
    int lefts[kMaxRowButtons] = {};  // their left edges
    int grow = 0;                    // how much wider the dialog's client gets
};

// `lefts` (`count` of them, at most kMaxRowButtons, ascending) and `width`
// as the template has them; `wanted` the widest caption with its padding;
// `margin` the least left edge a button may have. Sizes are clamped to
// 0..32767 pixels; a count outside 1..kMaxRowButtons gives the row as it is
// (count 0: nothing).
ButtonRowFit fitButtonRow(const int* lefts, int count, int width, int wanted, int margin);

}  // namespace setup

#endif
