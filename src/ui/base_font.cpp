#include "ui/base_font.h"

#include <cstring>

namespace setup {

LOGFONTA baseFontDescription;
static HFONT font;

HFONT baseFont() {
    if (font != nullptr) return font;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    std::memset(&baseFontDescription, 0, sizeof baseFontDescription);
    baseFontDescription.lfHeight = -(8 * dpi / 72);
    baseFontDescription.lfWeight = FW_NORMAL;
    std::strcpy(baseFontDescription.lfFaceName, "MS Sans Serif");
    font = CreateFontIndirectA(&baseFontDescription);
    return font;
}

}  // namespace setup
