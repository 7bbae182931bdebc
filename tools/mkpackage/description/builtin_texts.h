// The texts of one built-in language other than English, as the language
// files beside this one define them. Every text is UTF-8; "{}" in a text
// made from the name stands for the product's name.
#ifndef MKPACKAGE_BUILTIN_TEXTS_H
#define MKPACKAGE_BUILTIN_TEXTS_H

#include <array>
#include <span>

#include "format/package_format.h"

namespace mkpackage {

// A text by the field name it has in a description's [texts].
struct FieldText {
    const char* field;
    const char* text;
};

struct BuiltInTexts {
    // The defaults of the text slots and extra texts that have one.
    std::span<const FieldText> defaults;
    // The texts textFromName makes, by their slots' field names.
    std::span<const FieldText> nameTexts;
    // The uninstaller's texts in log order; nullptr where the text is the
    // same in every language (the lock object's name, the product's name).
    std::array<const char*, fmt::kUninstallTextCount> uninstallTexts;
};

extern const BuiltInTexts kGermanTexts;
extern const BuiltInTexts kFrenchTexts;
extern const BuiltInTexts kSpanishTexts;
extern const BuiltInTexts kItalianTexts;
extern const BuiltInTexts kDutchTexts;
extern const BuiltInTexts kPolishTexts;
extern const BuiltInTexts kCzechTexts;
extern const BuiltInTexts kRussianTexts;
extern const BuiltInTexts kGreekTexts;

}  // namespace mkpackage

#endif
