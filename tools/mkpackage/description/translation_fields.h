// The description's languages: [product] language (the code of the texts
// the rest of the description gives, "en" unless named) and one
// [translations.<code>] table per further language with its code page, its
// own name and the texts it translates. Each translation ends up complete:
// a text it leaves out is the builder's built-in text of that language, or
// else the first language's (builtin_languages.h), and the second kind is
// noted for a warning.
#ifndef MKPACKAGE_TRANSLATION_FIELDS_H
#define MKPACKAGE_TRANSLATION_FIELDS_H

#include <cstdint>
#include <string>

#include "description/toml_parser.h"

#include "description/description.h"
#include "description/field_reader.h"

namespace mkpackage {

// Texts that name things (the product, its version, key, files and
// uninstall entry), the same in every language: a translation cannot give them.
bool sameInEveryLanguage(fmt::u32 slot);

// [product]'s language keys: the description's own language; before its
// texts, whose defaults are the builder's in that language.
void readOwnLanguage(FieldReader& reader, Description& description, const toml::table& product);

// After every other table: reads [translations], whose texts fall back to
// those already read.
void readLanguages(FieldReader& reader, Description& description, const toml::table& root);

}  // namespace mkpackage

#endif
