// The run's language: the option, the installed product's language, the
// user's language among those the code page can show, the first language.
#include <gtest/gtest.h>

#include <cstring>

#include "setup/language_choice.h"

namespace {

using setup::chooseLanguage;
using setup::LanguageChoiceFacts;

fmt::LanguageEntry language(const char* code, fmt::u32 codePage, fmt::u16 primary, fmt::u16 sub = 0) {
    fmt::LanguageEntry entry{};
    std::strncpy(entry.code, code, sizeof entry.code - 1);
    std::strncpy(entry.name, code, sizeof entry.name - 1);
    entry.codePage = codePage;
    entry.primaryLanguage = primary;
    entry.subLanguage = sub;
    return entry;
}

constexpr fmt::u16 kGermanGermany = 0x0407, kGermanSwiss = 0x0807, kRussian = 0x0419, kJapanese = 0x0411;
constexpr fmt::u16 kPortugueseBrazil = 0x0416, kPortugal = 0x0816;

// en (first), de, de-ch (Swiss sub-language 2), ru in 1251, pt-br and pt.
const fmt::LanguageEntry kLanguages[] = {
    language("en", 1252, 0x09),      language("de", 1252, 0x07),     language("de-ch", 1252, 0x07, 2),
    language("ru", 1251, 0x19),      language("pt-br", 1252, 0x16, 1), language("pt", 1252, 0x16, 2),
};
constexpr fmt::u32 kCount = sizeof kLanguages / sizeof kLanguages[0];

TEST(LanguageChoice, TheRulesInTheirOrder) {
    struct Case {
        const char* option;
        const char* stored;
        fmt::u16 user;
        fmt::u32 codePage;
        int expected;
    } cases[] = {
        // The user's language among those the code page shows.
        {"", "", kGermanGermany, 1252, 1},
        {"", "", kGermanSwiss, 1252, 2},         // primary and sub-language first
        {"", "", 0x0C07, 1252, 1},               // Austrian: the first German one
        {"", "", kRussian, 1251, 3},
        {"", "", kRussian, 1252, 0},             // Russian texts need 1251
        {"", "", kGermanGermany, 1251, 0},       // German texts need 1252
        {"", "", kJapanese, 932, 0},             // none has it: the first language
        {"", "", kPortugal, 1252, 5},
        {"", "", kPortugueseBrazil, 1252, 4},
        // The installed product's language wins over the user's.
        {"", "ru", kGermanGermany, 1252, 3},
        {"", "DE", kRussian, 1251, 1},
        {"", "xx", kGermanGermany, 1252, 1},     // a language the package lost: as if none
        // The option wins over everything, and must name a language.
        {"de", "ru", kRussian, 1251, 1},
        {"RU", "", kGermanGermany, 1252, 3},
        {"De-Ch", "", 0, 1252, 2},
        {"en", "de", kGermanGermany, 1252, 0},
        {"xx", "", kGermanGermany, 1252, -1},
        {"d", "", kGermanGermany, 1252, -1},      // no prefix matching
        {"de-chx", "", kGermanGermany, 1252, -1},
        {"abcdefghijkl", "", 0, 1252, -1},        // longer than any code
    };
    for (const Case& c : cases) {
        const LanguageChoiceFacts facts{c.option, c.stored, c.user, c.codePage};
        EXPECT_EQ(chooseLanguage(kLanguages, kCount, facts), c.expected)
            << "option " << c.option << ", stored " << c.stored << ", user " << c.user << ", code page " << c.codePage;
    }
}

TEST(LanguageChoice, TheQuestionListsWhatTheCodePageShows) {
    fmt::u32 shown[fmt::kMaxLanguages];
    ASSERT_EQ(setup::showableLanguages(kLanguages, kCount, 1252, shown), 5u);
    EXPECT_EQ(shown[0], 0u);
    EXPECT_EQ(shown[3], 4u);
    ASSERT_EQ(setup::showableLanguages(kLanguages, kCount, 1251, shown), 1u);
    EXPECT_EQ(shown[0], 3u);
    EXPECT_EQ(setup::showableLanguages(kLanguages, kCount, 932, shown), 0u);
}

}  // namespace
