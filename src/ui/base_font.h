// The program's 8-point "MS Sans Serif" font, from which the page fonts
// derive and with which the notice popup measures its text.
#ifndef UI_BASE_FONT_H
#define UI_BASE_FONT_H

#include <windows.h>

namespace setup {

// The base font's full description; valid once baseFont() has run.
extern LOGFONTA baseFontDescription;

// Creates the font on first use (height -trunc(8 * dpi / 72), weight 400)
// and returns it; it lives until the process ends.
HFONT baseFont();

}  // namespace setup

#endif
