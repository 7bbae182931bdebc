#include "ui/wizard/layout/item_font_rules.h"

#include "format/package_format.h"

namespace setup {

ItemFontChoice decodeItemFont(std::uint32_t flags) {
    ItemFontChoice choice;
    choice.size = (flags & fmt::kItemFontLarge)   ? FontSize::kLarge
                  : (flags & fmt::kItemFontSmall) ? FontSize::kSmall
                                                  : FontSize::kNormal;
    choice.face = (flags & fmt::kItemFaceArial)   ? FontFace::kArial
                  : (flags & fmt::kItemFaceTimes) ? FontFace::kTimesNewRoman
                                                  : FontFace::kBase;
    choice.bold = (flags & fmt::kItemBold) != 0;
    choice.italic = (flags & fmt::kItemItalic) != 0;
    choice.underline = (flags & fmt::kItemUnderline) != 0;
    return choice;
}

unsigned fontCacheIndex(const ItemFontChoice& choice) {
    return static_cast<unsigned>(choice.face) + 3u * static_cast<unsigned>(choice.size) +
           9u * choice.bold + 18u * choice.italic + 36u * choice.underline;
}

const char* fontFaceName(FontFace face) {
    switch (face) {
    case FontFace::kTimesNewRoman: return "Times New Roman";
    case FontFace::kArial: return "Arial";
    case FontFace::kBase: break;
    }
    return nullptr;
}

std::int32_t itemFontHeight(std::int32_t baseHeight, FontSize size) {
    switch (size) {
    case FontSize::kSmall: return baseHeight * 3 / 4;
    case FontSize::kLarge: return baseHeight * 2;
    case FontSize::kNormal: break;
    }
    return baseHeight;
}

}  // namespace setup
