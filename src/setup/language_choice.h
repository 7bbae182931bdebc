// Which of the package's languages a run speaks, from what the run knows
// before its first text: the /LANG= option, the language an installed
// version of the product was installed in, the user's interface language
// and the system's ANSI code page. Pure code.
#ifndef SETUP_LANGUAGE_CHOICE_H
#define SETUP_LANGUAGE_CHOICE_H

#include <cstdint>

#include "format/language_table.h"

namespace setup {

struct LanguageChoiceFacts {
    const char* option;          // /LANG=, as given; "" when not given
    const char* stored;          // the installed product's "Language" value; "" when none
    std::uint16_t userLanguage;  // GetUserDefaultUILanguage: sub-language << 10 | primary
    std::uint32_t ansiCodePage;  // GetACP
};

// -1 when the option names none of the languages (a bad option); otherwise
// the index to use: the option's language; else the stored one; else,
// among the languages whose code page is the ANSI code page, the first with
// the user's primary and sub-language, then the first with the primary
// language alone; else 0, the first language. Codes compare without regard
// to ASCII case. `count` is at least 1.
int chooseLanguage(const fmt::LanguageEntry* languages, std::uint32_t count, const LanguageChoiceFacts& facts);

// The languages the system can show (code page = ANSI code page), their
// indexes into `shown` (room for `count`); returns how many.
std::uint32_t showableLanguages(const fmt::LanguageEntry* languages, std::uint32_t count,
                                std::uint32_t ansiCodePage, std::uint32_t* shown);

}  // namespace setup

#endif
