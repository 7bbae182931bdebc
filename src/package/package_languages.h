// The package's languages (format/language_table.h) as the run keeps them:
// read with the extension table, and one of them put in place of the first
// language's texts before the first text is shown.
#ifndef PACKAGE_PACKAGE_LANGUAGES_H
#define PACKAGE_PACKAGE_LANGUAGES_H

#include <cstdint>

#include "format/extension_table.h"
#include "format/language_table.h"

namespace setup {

// Reads and checks the languages record of `entry` (package/package_extensions.cpp
// calls it while reading the table). A record that fails its checksum raises
// error code 8, one that breaks its layout error code 1.
void loadPackageLanguages(const fmt::ExtensionEntry& entry);

// Forgets the languages: a package without the record.
void clearPackageLanguages();

// The number of the package's languages: 0 without a languages record.
std::uint32_t packageLanguageCount();

// Language `index`, below packageLanguageCount.
fmt::LanguageEntry packageLanguage(std::uint32_t index);

// True when the package asks the user for the language (kLanguagesAskUser).
bool languageQuestionAsked();

// Language `index`'s text of the text slot at `slotOffset`, and its extra
// text `id` copied into `room` (`fallback` when it has none), before it is in
// use: the language question speaks the language it preselects. Index 0
// gives the configuration record's.
const char* languageSlotText(std::uint32_t index, std::uint32_t slotOffset);
const char* languageExtraText(std::uint32_t index, std::uint16_t id, const char* fallback,
                              char (&room)[fmt::kMaxExtraTextLength]);

// Puts language `index`'s texts where the run reads them: the text slots,
// the pages' text items, the uninstaller's texts and the extra texts. Index
// 0, the first language, changes nothing. Before anything is shown or
// logged to the uninstall log; raises error code 1 when the texts do not
// fit the program's buffers.
void useLanguage(std::uint32_t index);

// The code of the language in use: "" for a package without languages.
const char* languageInUse();

}  // namespace setup

#endif
