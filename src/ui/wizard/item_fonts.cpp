#include "ui/wizard/item_fonts.h"

#include "base/bounded_text.h"
#include "ui/base_font.h"
#include "ui/wizard/font_cache.h"
#include "ui/wizard/layout/item_font_rules.h"

namespace setup {

HFONT itemFont(std::uint32_t flags) {
    const ItemFontChoice choice = decodeItemFont(flags);
    HFONT& cached = fontCache[fontCacheIndex(choice)];
    if (cached != nullptr) return cached;

    baseFont();  // makes sure the description exists
    LOGFONTA description = baseFontDescription;
    description.lfHeight = itemFontHeight(description.lfHeight, choice.size);
    if (choice.bold) description.lfWeight = FW_BOLD;
    if (choice.italic) description.lfItalic = TRUE;
    if (choice.underline) description.lfUnderline = TRUE;
    if (const char* face = fontFaceName(choice.face))
        copyBounded(description.lfFaceName, sizeof description.lfFaceName, face);
    cached = CreateFontIndirectA(&description);
    return cached;
}

}  // namespace setup
