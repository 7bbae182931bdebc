// Creates a wizard page's controls from its stored description.
#ifndef UI_WIZARD_PAGE_BUILDER_H
#define UI_WIZARD_PAGE_BUILDER_H

#include <windows.h>

#include <cstdint>

namespace setup {

// The lead-in text of the most recently built required-space item (type 7);
// the disk-space figure is appended to it. Empty text until one is built.
extern const char* requiredSizeText;

// The installed DirectX as the DirectX version item shows it: the
// configured "not found" text, the configured "unknown" text (also on
// Windows NT, where nothing is looked for) or "DirectX <number>".
const char* directXVersionText();

// Lays out the description whose items start at `description` (and may not
// reach beyond `end`) into the page window, in the page's client area.
void buildPage(HWND page, const std::uint8_t* description, const std::uint8_t* end);

}  // namespace setup

#endif
