#include "setup/language_choice.h"

namespace setup {

namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameCode(const char (&code)[fmt::kLanguageCodeSize], const char* text) {
    for (std::uint32_t i = 0; i < fmt::kLanguageCodeSize; ++i) {
        if (folded(code[i]) != folded(text[i])) return false;
        if (code[i] == '\0') return true;
    }
    return false;  // longer than any code
}

int findCode(const fmt::LanguageEntry* languages, std::uint32_t count, const char* code) {
    for (std::uint32_t i = 0; i < count; ++i)
        if (sameCode(languages[i].code, code)) return static_cast<int>(i);
    return -1;
}

}  // namespace

int chooseLanguage(const fmt::LanguageEntry* languages, std::uint32_t count, const LanguageChoiceFacts& facts) {
    if (facts.option != nullptr && facts.option[0] != '\0') return findCode(languages, count, facts.option);
    if (facts.stored != nullptr && facts.stored[0] != '\0') {
        const int stored = findCode(languages, count, facts.stored);
        if (stored >= 0) return stored;
    }
    const std::uint16_t primary = facts.userLanguage & 0x3FF;
    const std::uint16_t sub = facts.userLanguage >> 10;
    int primaryMatch = -1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const fmt::LanguageEntry& language = languages[i];
        if (language.codePage != facts.ansiCodePage || language.primaryLanguage != primary) continue;
        if (language.subLanguage == sub) return static_cast<int>(i);
        if (primaryMatch < 0) primaryMatch = static_cast<int>(i);
    }
    return primaryMatch >= 0 ? primaryMatch : 0;
}

std::uint32_t showableLanguages(const fmt::LanguageEntry* languages, std::uint32_t count, std::uint32_t ansiCodePage,
                                std::uint32_t* shown) {
    std::uint32_t found = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        if (languages[i].codePage == ansiCodePage) shown[found++] = i;
    return found;
}

}  // namespace setup
