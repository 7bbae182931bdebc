// Widens a dialog's row of push buttons to their captions as drawn in the
// buttons' font (button_row.h), for the captions a translation makes longer.
#ifndef UI_BUTTON_FIT_H
#define UI_BUTTON_FIT_H

#include <windows.h>

namespace setup {

// `ids`: the row's buttons, left to right, as the template places them with
// one width. Call after their captions are set; the dialog grows when the
// row needs more room than the template left it.
void fitButtonCaptions(HWND dialog, const int* ids, int count);

}  // namespace setup

#endif
