// Which font a page item asks for, decoded from its flags, and where that
// font sits in the font cache.
#ifndef UI_WIZARD_LAYOUT_ITEM_FONT_RULES_H
#define UI_WIZARD_LAYOUT_ITEM_FONT_RULES_H

#include <cstdint>

namespace setup {

enum class FontFace : int { kBase = 0, kTimesNewRoman = 1, kArial = 2 };
enum class FontSize : int { kSmall = 0, kNormal = 1, kLarge = 2 };

struct ItemFontChoice {
    FontFace face;
    FontSize size;
    bool bold;
    bool italic;
    bool underline;
};

// Large over small, "Arial" over "Times New Roman"; other bits are ignored.
ItemFontChoice decodeItemFont(std::uint32_t flags);

// face + 3 * size + 9 * bold + 18 * italic + 36 * underline: 0 to 71.
unsigned fontCacheIndex(const ItemFontChoice& choice);

// The face name a choice asks for; nullptr for the base font's own face.
const char* fontFaceName(FontFace face);

// The logical height of the item font from the base font's height: three
// quarters (toward zero) for small, twice for large.
std::int32_t itemFontHeight(std::int32_t baseHeight, FontSize size);

}  // namespace setup

#endif
