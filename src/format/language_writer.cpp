#include "format/language_writer.h"

#include <cstring>
#include <stdexcept>

#include "format/extension_writer.h"

namespace fmt {

namespace {

void appendBytes(std::vector<u8>& out, const void* data, std::size_t size) {
    const u8* bytes = static_cast<const u8*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void appendText(std::vector<u8>& out, const std::string& text) {
    if (text.find('\0') != std::string::npos) throw std::invalid_argument("a language's text holds a zero byte");
    appendBytes(out, text.c_str(), text.size() + 1);
}

LanguageEntry entryOf(const LanguageRecordInput& language) {
    LanguageEntry entry{};
    if (language.code.empty() || language.code.size() >= kLanguageCodeSize)
        throw std::invalid_argument("a language code must have 1 to 7 characters");
    if (language.name.empty() || language.name.size() >= kLanguageNameSize)
        throw std::invalid_argument("a language's name must have 1 to 63 bytes");
    std::memcpy(entry.code, language.code.data(), language.code.size());
    std::memcpy(entry.name, language.name.data(), language.name.size());
    entry.codePage = language.codePage;
    entry.primaryLanguage = language.primaryLanguage;
    entry.subLanguage = language.subLanguage;
    return entry;
}

}  // namespace

std::vector<u8> writeLanguages(const std::vector<LanguageRecordInput>& languages, u32 flags) {
    if (languages.size() < 2 || languages.size() > kMaxLanguages)
        throw std::invalid_argument("a languages record holds 2 to 32 languages");
    std::vector<LanguageEntry> entries;
    for (const LanguageRecordInput& language : languages) entries.push_back(entryOf(language));

    std::vector<u8> texts;
    const std::size_t textsStart = sizeof(LanguagesHeader) + entries.size() * sizeof(LanguageEntry);
    for (std::size_t i = 1; i < languages.size(); ++i) {
        const LanguageRecordInput& language = languages[i];
        if (language.pageTexts.size() > kMaxPageTexts) throw std::invalid_argument("too many page texts");
        const std::size_t start = texts.size();
        const std::vector<u8> extra = language.extraTexts.empty() ? std::vector<u8>() : writeExtraTexts(language.extraTexts);
        const LanguageTextsHeader header{static_cast<u16>(kTextSlotCount), static_cast<u16>(kUninstallTextCount),
                                         static_cast<u16>(language.pageTexts.size()), 0,
                                         static_cast<u32>(extra.size())};
        appendBytes(texts, &header, sizeof header);
        for (const std::string& text : language.slots) appendText(texts, text);
        for (const std::string& text : language.uninstallTexts) appendText(texts, text);
        for (const std::string& text : language.pageTexts) appendText(texts, text);
        appendBytes(texts, extra.data(), extra.size());
        if (textsStart + texts.size() > kMaxLanguagesSize)
            throw std::invalid_argument("the languages' texts take more than " + std::to_string(kMaxLanguagesSize) +
                                        " bytes");
        entries[i].textsOffset = static_cast<u32>(textsStart + start);
        entries[i].textsSize = static_cast<u32>(texts.size() - start);
    }

    std::vector<u8> record;
    const LanguagesHeader header{static_cast<u32>(languages.size()), flags};
    appendBytes(record, &header, sizeof header);
    for (const LanguageEntry& entry : entries) appendBytes(record, &entry, sizeof entry);
    appendBytes(record, texts.data(), texts.size());
    if (checkLanguages(record.data(), record.size()) != LanguagesProblem::none)
        throw std::invalid_argument(std::string("the languages record is malformed: ") +
                                    languagesProblemText(checkLanguages(record.data(), record.size())));
    return record;
}

}  // namespace fmt
