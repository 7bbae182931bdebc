// Writes the languages record (language_table.h) for the builder and the
// tests.
#ifndef FORMAT_LANGUAGE_WRITER_H
#define FORMAT_LANGUAGE_WRITER_H

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "format/language_table.h"

namespace fmt {

struct LanguageRecordInput {
    std::string code;  // lower-case letters, digits, "-": at most 7
    std::string name;  // 8-bit, at most kLanguageNameSize - 1 bytes
    u32 codePage = 1252;
    u16 primaryLanguage = 0;
    u16 subLanguage = 0;
    // The texts of every language but the first, 8-bit, without zero bytes.
    std::array<std::string, kTextSlotCount> slots;
    std::array<std::string, kUninstallTextCount> uninstallTexts;
    std::vector<std::string> pageTexts;
    std::vector<std::pair<u16, std::string>> extraTexts;  // ids ascending
};

// The record of `languages`, the first language first (its texts are not
// written). std::invalid_argument when a count, a code, a name or a text
// breaks the record's rules, or the record would be larger than
// kMaxLanguagesSize.
std::vector<u8> writeLanguages(const std::vector<LanguageRecordInput>& languages, u32 flags = 0);

}  // namespace fmt

#endif
