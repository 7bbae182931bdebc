#include "build/extension_records.h"

#include <cstring>
#include <map>

#include "format/language_writer.h"

namespace mkpackage {

std::vector<fmt::ExtensionRecordData> extensionRecords(const Description& description) {
    std::vector<fmt::ExtensionRecordData> records;
    // The deployment fields' texts and the [texts] beyond the 90 slots share
    // one record, ids ascending.
    std::map<fmt::u16, std::string> texts(description.extraTexts.begin(), description.extraTexts.end());
    for (const auto& [id, text] : description.deployment.extraTexts) texts[id] = text;
    if (!texts.empty()) {
        const std::vector<std::pair<fmt::u16, std::string>> ordered(texts.begin(), texts.end());
        records.push_back({fmt::kExtensionExtraTexts, fmt::writeExtraTexts(ordered)});
    }
    if (description.alwaysInstalled != 0) {
        std::vector<fmt::u8> mask(fmt::kAlwaysInstalledSize);
        std::memcpy(mask.data(), &description.alwaysInstalled, mask.size());
        records.push_back({fmt::kExtensionAlwaysInstalled, std::move(mask)});
    }
    if (!description.translations.empty()) records.push_back({fmt::kExtensionLanguages, languagesRecord(description)});
    return records;
}

std::vector<fmt::u8> languagesRecord(const Description& description) {
    std::vector<fmt::LanguageRecordInput> languages(1);
    languages[0].code = description.language.code;
    languages[0].name = description.language.name;
    languages[0].codePage = description.codePage;
    languages[0].primaryLanguage = description.language.primaryLanguage;
    languages[0].subLanguage = description.language.subLanguage;
    for (const TranslationSpec& translation : description.translations) {
        fmt::LanguageRecordInput& language = languages.emplace_back();
        language.code = translation.code;
        language.name = translation.name;
        language.codePage = translation.codePage;
        language.primaryLanguage = translation.primaryLanguage;
        language.subLanguage = translation.subLanguage;
        language.slots = translation.texts;
        language.uninstallTexts = translation.uninstallTexts;
        language.pageTexts = translation.pageTexts;
        language.extraTexts = translation.extraTexts;
    }
    return fmt::writeLanguages(languages, description.languageDialog ? fmt::kLanguagesAskUser : 0);
}

}  // namespace mkpackage
