// The fonts of the page items, derived from the base font and kept in the
// font cache for the rest of the process.
#ifndef UI_WIZARD_ITEM_FONTS_H
#define UI_WIZARD_ITEM_FONTS_H

#include <windows.h>

#include <cstdint>

namespace setup {

// The font the item flags ask for: taken from the cache, or created from
// the base font's description on first use. nullptr when it cannot be
// created (the control then keeps its own font).
HFONT itemFont(std::uint32_t flags);

}  // namespace setup

#endif
