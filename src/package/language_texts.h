// Putting a further language's texts (format/language_table.h) where the
// run reads the first language's: the pages rebuilt with the translated
// texts in their text items, and the uninstaller's texts written anew at the
// head of the uninstall section. Pure code over the caller's buffers.
#ifndef PACKAGE_LANGUAGE_TEXTS_H
#define PACKAGE_LANGUAGE_TEXTS_H

#include <cstdint>

#include "format/package_format.h"

namespace setup {

// A run of zero-terminated texts handed out one after another.
struct TextRun {
    const char* next;
    std::uint32_t left;
};

// Copies the items of the page at `page` (reading no further than `end`)
// to `out` + `used`, each text item with the next text of `texts` in place
// of its own, and the end item after them; `used` grows by the bytes
// written. An item whose head or data would reach past `end` ends the page,
// as it ends the wizard's walk. False, with nothing more written, when
// `capacity` is too small or `texts` runs out.
bool rebuildPage(const std::uint8_t* page, const std::uint8_t* end, TextRun& texts, std::uint8_t* out,
                 std::uint32_t capacity, std::uint32_t& used);

// Writes `texts` (kUninstallTextCount of them) into the section of a package
// as it is shipped (no entries yet), with the offsets, the used bytes and
// the first entry that follow from them. False, with the section unchanged,
// when they leave the log less than kLanguageLogRoom.
bool rebuildUninstallTexts(fmt::UninstallSection& section, const char* const* texts);

}  // namespace setup

#endif
