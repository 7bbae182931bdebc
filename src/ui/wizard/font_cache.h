// Fonts of the wizard pages, created on first use and never freed. Index =
// face + 3 * size + 9 * bold + 18 * italic + 36 * underline.
#ifndef UI_WIZARD_FONT_CACHE_H
#define UI_WIZARD_FONT_CACHE_H

#include <windows.h>

namespace setup {

inline constexpr unsigned kFontCacheSize = 72;

extern HFONT fontCache[kFontCacheSize];

}  // namespace setup

#endif
