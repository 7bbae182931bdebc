#include "description/translation_fields.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

#include "description/builtin_languages.h"
#include "description/field_tables.h"
#include "format/extension_table.h"
#include "format/language_table.h"
#include "format/text_formats.h"
#include "format/text_slots.h"
#include "text/code_page.h"
#include "text/text_decoder.h"

namespace mkpackage {
namespace {

using fmt::u16;
using fmt::u32;

constexpr u32 kLockNameText = 1;  // the uninstaller's lock object: never shown

bool validCode(const std::string& code) {
    if (code.empty() || code.size() >= fmt::kLanguageCodeSize) return false;
    for (const char c : code)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

// Reads one [translations.<code>] table into a TranslationSpec.
class TranslationReader {
public:
    TranslationReader(FieldReader& reader, const Description& description, const std::string& productName)
        : r_(reader), d_(description), productName_(productName), firstDecoder_(description.codePage) {}

    TranslationSpec read(const std::string& code, const toml::node& node);

private:
    // `utf8` in the translation's code page, or a defect at `node`.
    std::string encode(const std::string& utf8, const toml::node& node, const std::string& field,
                       std::size_t limit = 0) const;
    // A text the translation leaves out: its built-in text (UTF-8, may be
    // empty), else the first language's 8-bit text spelt anew in the
    // translation's code page, which is noted.
    std::string fallback(const std::string& builtIn, const std::string& first, const std::string& field, long line,
                         bool noted = true);
    void readSlots(const toml::node* texts);
    void readUninstaller(const toml::node* node);
    void readPages(const toml::node* node);

    FieldReader& r_;
    const Description& d_;
    const std::string& productName_;
    TextDecoder firstDecoder_;
    std::unique_ptr<TextEncoder> encoder_;
    TranslationSpec t_;
    std::string context_;
};

std::string TranslationReader::encode(const std::string& utf8, const toml::node& node, const std::string& field,
                                      std::size_t limit) const {
    std::string problem;
    std::optional<std::string> text = encoder_->encode(utf8, problem);
    if (!text) r_.fail(node, field, problem + " (code page " + std::to_string(t_.codePage) + ")");
    if (limit != 0 && text->size() > limit)
        r_.fail(node, field, "is " + std::to_string(text->size()) + " bytes, more than " + std::to_string(limit));
    return *text;
}

std::string TranslationReader::fallback(const std::string& builtIn, const std::string& first, const std::string& field,
                                        long line, bool noted) {
    std::string problem;
    if (!builtIn.empty()) {
        if (std::optional<std::string> text = encoder_->encode(builtIn, problem)) return *text;
    }
    if (first.empty()) return {};
    std::string utf8;
    firstDecoder_.decode(first, utf8, [](unsigned char, std::string& out) { out += '?'; });
    std::optional<std::string> text = encoder_->encode(utf8, problem);
    if (!text)
        r_.fail(line, context_ + "." + field,
                "is not given, and the first language's text cannot be spelt in code page " +
                    std::to_string(t_.codePage) + ": " + problem);
    if (noted) t_.fallbacks.push_back(field);
    return *text;
}

void TranslationReader::readSlots(const toml::node* node) {
    const toml::table* texts = node != nullptr ? &r_.asTable(*node, context_ + ".texts") : nullptr;
    std::array<bool, fmt::kTextSlotCount> given{};
    if (texts != nullptr) {
        for (auto&& [keyNode, valueNode] : *texts) {
            // Named again: a lambda cannot take a structured binding.
            const toml::key& key = keyNode;
            const toml::node& value = valueNode;
            const std::string name(key.str());
            const std::string field = context_ + ".texts." + name;
            const long keyLine = static_cast<long>(key.source().begin.line);
            r_.attempt([&] {
                bool extra = false;
                for (const fmt::ExtraTextInfo& info : fmt::kExtraTexts) {
                    if (name != info.name) continue;
                    extra = true;
                    std::string text = encode(r_.utf8(value, field), value, field, fmt::kMaxExtraTextLength - 1);
                    const std::string problem = fmt::checkFormatText(text, info.arguments);
                    if (!problem.empty()) r_.fail(value, field, problem);
                    t_.extraTexts.emplace_back(info.id, std::move(text));
                }
                if (extra) return;
                if (name == "dxReasons") {
                    // As in [texts]: the 14 reasons in one array.
                    const toml::array& reasons = r_.asArray(value, field);
                    if (reasons.size() != fmt::kDirectXReasonCount)
                        r_.fail(value, field, "needs " + std::to_string(fmt::kDirectXReasonCount) + " texts, has " +
                                                  std::to_string(reasons.size()));
                    for (std::size_t i = 0; i < reasons.size(); ++i) {
                        const std::string at = field + "[" + std::to_string(i) + "]";
                        const u32 index = fmt::kFirstDirectXReasonSlot + static_cast<u32>(i);
                        t_.texts[index] = encode(r_.utf8(reasons[i], at), reasons[i], at);
                        given[index] = true;
                    }
                    return;
                }
                const fmt::TextSlotInfo* slot = fmt::findTextSlot(name);
                if (slot == nullptr || slot->offset / 4 == fmt::kUnusedTextSlot || name.rfind("dxReasons", 0) == 0)
                    r_.fail(keyLine, field, "unknown key (not a text slot)");
                const u32 index = slot->offset / 4;
                if (sameInEveryLanguage(index))
                    r_.fail(keyLine, field, "is a name, the same in every language");
                std::string text = encode(r_.utf8(value, field), value, field);
                if (const char* arguments = fmt::formatArguments(slot->offset)) {
                    const std::string problem = fmt::checkFormatText(text, arguments);
                    if (!problem.empty()) r_.fail(value, field, problem);
                }
                const std::string problem = slotTextProblem(slot->offset, text);
                if (!problem.empty()) r_.fail(value, field, problem);
                // The DirectX fallbacks are copied into a 32-byte buffer.
                if ((name == "dxVersionUnknown" || name == "dxVersionNotFound") &&
                    text.size() > fmt::kDirectXFallbackTextLimit)
                    r_.fail(value, field,
                            "must be shorter than " + std::to_string(fmt::kDirectXFallbackTextLimit + 1) + " characters");
                t_.texts[index] = std::move(text);
                given[index] = true;
            });
        }
    }
    for (u32 i = 0; i < fmt::kTextSlotCount; ++i) {
        if (given[i]) continue;
        if (sameInEveryLanguage(i)) {
            t_.texts[i] = d_.texts[i];
            continue;
        }
        const char* name = fmt::kTextSlots[i].name;
        const char* builtIn = builtInText(t_.code, name);
        std::string made = builtIn != nullptr ? builtIn : textFromNameIn(t_.code, i, productName_);
        // The folder is a name: most translations keep it.
        const bool noted = fmt::kTextSlots[i].offset != offsetof(fmt::TextSlots, defaultInstallDir);
        r_.attempt([&] { t_.texts[i] = fallback(made, d_.texts[i], std::string("texts.") + name, t_.line, noted); });
    }
    // Every extra text the first language has, and every one with a built-in
    // text: the translation's record replaces the first language's whole.
    std::map<u16, std::string> extra(t_.extraTexts.begin(), t_.extraTexts.end());
    std::map<u16, std::string> first(d_.extraTexts.begin(), d_.extraTexts.end());
    for (const auto& [id, text] : d_.deployment.extraTexts) first[id] = text;
    for (const auto& entry : first) {
        const u16 id = entry.first;
        const std::string& text = entry.second;
        if (extra.count(id) != 0) continue;
        const fmt::ExtraTextInfo* info = fmt::findExtraTextInfo(id);
        const char* builtIn = info != nullptr ? builtInText(t_.code, info->name) : nullptr;
        // The list of programs' values (publisher, links, ...) are names, not
        // phrases: taken as they are, without a note.
        const std::string field = info != nullptr ? std::string("texts.") + info->name : "product";
        r_.attempt([&] { extra[id] = fallback(builtIn != nullptr ? builtIn : "", text, field, t_.line, info != nullptr); });
    }
    for (const fmt::ExtraTextInfo& info : fmt::kExtraTexts) {
        if (extra.count(info.id) != 0) continue;
        const char* builtIn = builtInText(t_.code, info.name);
        r_.attempt([&] {
            extra[info.id] = fallback(builtIn != nullptr ? builtIn : "", info.defaultText,
                                      std::string("texts.") + info.name, t_.line);
        });
    }
    t_.extraTexts.assign(extra.begin(), extra.end());
}

void TranslationReader::readUninstaller(const toml::node* node) {
    const toml::array* list = nullptr;
    if (node != nullptr) {
        const toml::table& table = r_.asTable(*node, context_ + ".uninstaller");
        r_.checkKeys(table, {"texts"}, context_ + ".uninstaller", lineOf(table));
        if (const toml::node* texts = table.get("texts")) {
            list = &r_.asArray(*texts, context_ + ".uninstaller.texts");
            if (list->size() != fmt::kUninstallTextCount)
                r_.fail(*texts, context_ + ".uninstaller.texts",
                        "needs " + std::to_string(fmt::kUninstallTextCount) + " texts, has " +
                            std::to_string(list->size()));
        }
    }
    const std::array<std::string, fmt::kUninstallTextCount> builtIn = uninstallTextsIn(t_.code, productName_);
    std::size_t total = 0;
    for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
        const std::string field = "uninstaller.texts[" + std::to_string(i) + "]";
        if (i == kLockNameText) {
            t_.uninstallTexts[i] = d_.uninstallTexts[i];
        } else if (list != nullptr) {
            r_.attempt([&] { t_.uninstallTexts[i] = encode(r_.utf8((*list)[i], context_ + "." + field), (*list)[i], context_ + "." + field); });
        } else {
            r_.attempt([&] { t_.uninstallTexts[i] = fallback(builtIn[i], d_.uninstallTexts[i], field, t_.line); });
        }
        total += t_.uninstallTexts[i].size() + 1;
    }
    if (total + fmt::kLanguageLogRoom > fmt::kLogAreaLimit)
        r_.fail(t_.line, context_ + ".uninstaller.texts",
                "the texts take " + std::to_string(total) + " bytes and leave no room for the uninstall log");
}

void TranslationReader::readPages(const toml::node* node) {
    const toml::array* pages = node != nullptr ? &r_.asArray(*node, context_ + ".pages") : nullptr;
    if (pages != nullptr && pages->size() > d_.pages.size())
        r_.fail(*node, context_ + ".pages",
                "has " + std::to_string(pages->size()) + " pages, the description " + std::to_string(d_.pages.size()));
    for (std::size_t p = 0; p < d_.pages.size(); ++p) {
        const std::string field = context_ + ".pages[" + std::to_string(p) + "]";
        const toml::array* given = nullptr;
        if (pages != nullptr && p < pages->size()) given = &r_.asArray((*pages)[p], field);
        std::size_t position = 0;
        for (const PageItemSpec& item : d_.pages[p]) {
            if (!fmt::isPageTextItem(item.type)) continue;
            // The stored data ends with its terminator.
            const std::string first = item.data.empty() ? std::string() : item.data.substr(0, item.data.size() - 1);
            const std::string at = field + "[" + std::to_string(position) + "]";
            if (given != nullptr && position < given->size()) {
                const toml::node& text = (*given)[position];
                r_.attempt([&] { t_.pageTexts.push_back(encode(r_.utf8(text, at), text, at)); });
            } else {
                r_.attempt([&] {
                    t_.pageTexts.push_back(fallback("", first, "pages[" + std::to_string(p) + "][" +
                                                                  std::to_string(position) + "]", t_.line));
                });
            }
            ++position;
        }
        if (given != nullptr && given->size() > position)
            r_.fail(*given, field,
                    "has " + std::to_string(given->size()) + " texts, the page's items hold " + std::to_string(position));
    }
    if (t_.pageTexts.size() > fmt::kMaxPageTexts)
        r_.fail(t_.line, context_ + ".pages", "more than " + std::to_string(fmt::kMaxPageTexts) + " page texts");
}

TranslationSpec TranslationReader::read(const std::string& code, const toml::node& node) {
    context_ = "translations." + code;
    const toml::table& table = r_.asTable(node, context_);
    t_ = TranslationSpec{};
    t_.code = code;
    t_.line = lineOf(table);
    if (!validCode(code))
        r_.fail(t_.line, context_, "a language code has 1 to 7 lower-case letters, digits or \"-\"");
    if (code == d_.language.code) r_.fail(t_.line, context_, "is the description's own language");
    r_.checkKeys(table, {"code-page", "name", "language-id", "texts", "uninstaller", "pages"}, context_, t_.line);
    const BuiltInLanguage* builtIn = findBuiltInLanguage(code);
    if (const toml::node* page = table.get("code-page")) {
        t_.codePage = static_cast<unsigned>(r_.integer(*page, context_ + ".code-page", 1, 65535));
    } else if (builtIn != nullptr) {
        t_.codePage = builtIn->codePage;
    } else {
        r_.fail(t_.line, context_ + ".code-page", "is missing (not a built-in language)");
    }
    try {
        encoder_ = std::make_unique<TextEncoder>(t_.codePage);
    } catch (const std::invalid_argument& e) {
        r_.fail(t_.line, context_ + ".code-page", e.what());
    }
    if (const toml::node* id = table.get("language-id")) {
        const auto value = static_cast<u16>(r_.integer(*id, context_ + ".language-id", 1, 0xFFFF));
        t_.primaryLanguage = value & 0x3FF;
        t_.subLanguage = value >> 10;
    } else if (builtIn != nullptr) {
        t_.primaryLanguage = builtIn->primaryLangId;
    } else {
        r_.fail(t_.line, context_ + ".language-id", "is missing (not a built-in language)");
    }
    if (const toml::node* name = table.get("name")) {
        t_.name = encode(r_.utf8(*name, context_ + ".name"), *name, context_ + ".name", fmt::kLanguageNameSize - 1);
        if (t_.name.empty()) r_.fail(*name, context_ + ".name", "is empty");
    } else if (builtIn != nullptr) {
        t_.name = encode(builtIn->name, table, context_ + ".name");
    } else {
        r_.fail(t_.line, context_ + ".name", "is missing (not a built-in language)");
    }
    r_.attempt([&] { readSlots(table.get("texts")); });
    r_.attempt([&] { readUninstaller(table.get("uninstaller")); });
    r_.attempt([&] { readPages(table.get("pages")); });
    return t_;
}

}  // namespace

void readOwnLanguage(FieldReader& r, Description& d, const toml::table& product) {
    if (const toml::node* code = product.get("language")) {
        const std::string text = r.utf8(*code, "product.language");
        if (!validCode(text)) r.fail(*code, "product.language", "a language code has 1 to 7 lower-case letters, digits or \"-\"");
        d.language.code = text;
    }
    const BuiltInLanguage* builtIn = findBuiltInLanguage(d.language.code);
    if (const toml::node* id = product.get("language-id")) {
        const auto value = static_cast<u16>(r.integer(*id, "product.language-id", 1, 0xFFFF));
        d.language.primaryLanguage = value & 0x3FF;
        d.language.subLanguage = value >> 10;
    } else if (builtIn != nullptr) {
        d.language.primaryLanguage = builtIn->primaryLangId;
        d.language.subLanguage = 0;
    } else {
        r.fail(d.productLine, "product.language-id", "is missing (not a built-in language)");
    }
    if (const toml::node* name = product.get("language-name")) {
        d.language.name = r.text(*name, "product.language-name", fmt::kLanguageNameSize - 1);
        if (d.language.name.empty()) r.fail(*name, "product.language-name", "is empty");
    } else if (builtIn != nullptr) {
        std::string problem;
        d.language.name = r.encoder().encode(builtIn->name, problem).value_or(d.language.code);
    } else {
        d.language.name = d.language.code;
    }
}

bool sameInEveryLanguage(u32 slot) {
    switch (slot * 4) {
    // The product's name makes the single-instance lock, the display name the
    // uninstall entry's key: a run in another language must find both.
    case offsetof(fmt::TextSlots, productName):
    case offsetof(fmt::TextSlots, uninstallDisplayName):
    case offsetof(fmt::TextSlots, productVersion):
    case offsetof(fmt::TextSlots, registryKey):
    case offsetof(fmt::TextSlots, uninstallLogName):
    case offsetof(fmt::TextSlots, uninstallerName):
    case offsetof(fmt::TextSlots, unused128): return true;
    default: return false;
    }
}

void readLanguages(FieldReader& r, Description& d, const toml::table& root) {
    const toml::table* product = root.get_as<toml::table>("product");
    if (product == nullptr) return;
    const toml::node* node = root.get("translations");
    if (const toml::table* options = root.get_as<toml::table>("options")) {
        if (const toml::node* dialog = options->get("language-dialog")) {
            r.attempt([&] {
                if (!dialog->is_boolean()) r.fail(*dialog, "options.language-dialog", "must be true or false");
                d.languageDialog = dialog->as_boolean()->get();
                if (d.languageDialog && node == nullptr)
                    r.fail(*dialog, "options.language-dialog", "asks for a language, but there are no [translations]");
            });
        }
    }
    if (node == nullptr) return;
    const toml::table& translations = r.asTable(*node, "translations");
    if (translations.size() + 1 > fmt::kMaxLanguages)
        r.fail(*node, "translations", "more than " + std::to_string(fmt::kMaxLanguages - 1) + " translations");
    std::string productName;
    if (const toml::node* name = product->get("name")) productName = r.utf8(*name, "product.name");
    TranslationReader reader(r, d, productName);
    // In the description's order, which the table's own (by code) is not.
    std::vector<std::pair<std::string, const toml::node*>> ordered;
    for (auto&& [key, value] : translations) ordered.emplace_back(std::string(key.str()), &value);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return lineOf(*a.second) < lineOf(*b.second); });
    for (const auto& translation : ordered)
        r.attempt([&] { d.translations.push_back(reader.read(translation.first, *translation.second)); });
}

}  // namespace mkpackage
