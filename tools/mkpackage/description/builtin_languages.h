// The languages the builder has its own texts in: the built-in defaults of
// the text slots and extra texts, and the texts made from the product's
// name, in each of them. English is the first and stands for the texts of
// text_slots.h, extension_table.h and name_texts.h; the others give their
// own where they have one and leave the rest to the caller's fallback.
#ifndef MKPACKAGE_BUILTIN_LANGUAGES_H
#define MKPACKAGE_BUILTIN_LANGUAGES_H

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "format/package_format.h"

namespace mkpackage {

struct BuiltInLanguage {
    const char* code;       // lower-case ISO 639-1 code: "en", "de", ...
    const char* name;       // the language's own name, UTF-8: "Deutsch"
    unsigned codePage;      // the Windows ANSI code page its texts are stored in
    fmt::u16 primaryLangId; // its primary language id (0x07 for German)
};

// Every built-in language, English first.
std::span<const BuiltInLanguage> builtInLanguages();

// The built-in language with `code`, or nullptr.
const BuiltInLanguage* findBuiltInLanguage(std::string_view code);

// The built-in default, UTF-8, of the text slot or extra text whose field
// name is `field` (as in a description's [texts]) in language `code`; nullptr
// when that language has none for it (for English: when the field has no
// built-in default).
const char* builtInText(std::string_view code, std::string_view field);

// textFromName (name_texts.h) in language `code`: the UTF-8 text of `slot`
// made from the product's name; empty where that language has none or the
// slot takes none. Names that are not shown (the registry key) are the same
// in every language.
std::string textFromNameIn(std::string_view code, fmt::u32 slot, const std::string& name);

// The uninstaller's texts made from the product's name in language `code`
// (defaultUninstallTexts for English); an empty text where the language has
// none. Texts that are not shown (the lock object's name) are the same in
// every language.
std::array<std::string, fmt::kUninstallTextCount> uninstallTextsIn(std::string_view code, const std::string& name);

}  // namespace mkpackage

#endif
