#include "setup/language_start.h"

#include <windows.h>

#include "base/process_state.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/log/run_log.h"
#include "engine/paths/system_folders.h"
#include "engine/system/registry.h"
#include "package/package_languages.h"
#include "package/setup_config.h"
#include "setup/language_choice.h"

#include "ui/language_dialog.h"

namespace setup {

namespace {

bool optionUnknown = false;

// The user's interface language; the 9x family, which lacks the call, has
// the user's locale instead. Both are looked up: the program imports only
// what the oldest system it runs on is known to export.
std::uint16_t userLanguage() {
    using LanguageFunction = LANGID(WINAPI*)();
    static const auto uiLanguage = wideKernelFunction<LanguageFunction>("GetUserDefaultUILanguage");
    static const auto localeLanguage = wideKernelFunction<LanguageFunction>("GetUserDefaultLangID");
    if (uiLanguage != nullptr) return uiLanguage();
    return localeLanguage != nullptr ? localeLanguage() : 0;
}

// The system's ANSI code page; 0 (no language matches) where it cannot be asked.
std::uint32_t ansiCodePage() {
    using CodePageFunction = UINT(WINAPI*)();
    static const auto codePage = wideKernelFunction<CodePageFunction>("GetACP");
    return codePage != nullptr ? codePage() : 0;
}

// The language question among the languages the system can show, the
// automatic choice preselected and its texts spoken. Returns the index to use.
std::uint32_t askForLanguage(const fmt::LanguageEntry* languages, std::uint32_t count, std::uint32_t chosen) {
    std::uint32_t shown[fmt::kMaxLanguages];
    const std::uint32_t shownCount = showableLanguages(languages, count, ansiCodePage(), shown);
    if (shownCount < 2) return chosen;
    const char* names[fmt::kMaxLanguages];
    int initial = 0;
    for (std::uint32_t i = 0; i < shownCount; ++i) {
        names[i] = languages[shown[i]].name;
        if (shown[i] == chosen) initial = static_cast<int>(i);
    }
    const std::uint32_t speaking = shown[initial];
    static char title[fmt::kMaxExtraTextLength], prompt[fmt::kMaxExtraTextLength];
    const int answer = askLanguage(languageExtraText(speaking, fmt::kExtraTextLanguageTitle, "Language", title),
                                   languageExtraText(speaking, fmt::kExtraTextLanguagePrompt, "", prompt), names,
                                   static_cast<int>(shownCount), initial,
                                   languageSlotText(speaking, offsetof(fmt::TextSlots, captionOk)),
                                   languageSlotText(speaking, offsetof(fmt::TextSlots, captionCancel)));
    if (answer < 0 || answer >= static_cast<int>(shownCount)) {
        logRunLine("the language question was cancelled");
        exitSetup(kExitDone);
    }
    return shown[answer];
}

}  // namespace

void chooseRunLanguage(const char* languageOption) {
    optionUnknown = false;
    const std::uint32_t count = packageLanguageCount();
    if (count == 0) {
        // One language: whatever /LANG= names, there is nothing to choose.
        if (languageOption[0] != '\0') logRunLine("the package has one language; /LANG=%s changes nothing", languageOption);
        return;
    }
    fmt::LanguageEntry languages[fmt::kMaxLanguages];
    for (std::uint32_t i = 0; i < count; ++i) languages[i] = packageLanguage(i);
    char stored[16];
    readRegistryString(stored, sizeof stored, HKEY_LOCAL_MACHINE, configText(config().texts.registryKey), "Language",
                       "");
    const LanguageChoiceFacts facts{languageOption, stored, userLanguage(), ansiCodePage()};
    const int choice = chooseLanguage(languages, count, facts);
    if (choice < 0) {
        optionUnknown = true;
        return;
    }
    std::uint32_t index = static_cast<std::uint32_t>(choice);
    if (languageQuestionAsked() && !unattendedRun && languageOption[0] == '\0')
        index = askForLanguage(languages, count, index);
    useLanguage(index);
    logRunLine("language %s (user's language 0x%04X, code page %u, installed in \"%s\")", languages[index].code,
               facts.userLanguage, facts.ansiCodePage, stored);
}

bool languageOptionUnknown() { return optionUnknown; }

}  // namespace setup
