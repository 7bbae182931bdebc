#include "description/builtin_languages.h"

#include "description/builtin_texts.h"
#include "description/description_reader.h"
#include "description/name_texts.h"
#include "format/extension_table.h"
#include "format/text_formats.h"
#include "format/text_slots.h"

namespace mkpackage {
namespace {

constexpr BuiltInLanguage kLanguages[] = {
    {"en", "English", 1252, 0x09},    {"de", "Deutsch", 1252, 0x07},  {"fr", "Français", 1252, 0x0C},
    {"es", "Español", 1252, 0x0A},    {"it", "Italiano", 1252, 0x10}, {"nl", "Nederlands", 1252, 0x13},
    {"pl", "Polski", 1250, 0x15},     {"cs", "Čeština", 1250, 0x05},  {"ru", "Русский", 1251, 0x19},
    {"el", "Ελληνικά", 1253, 0x08},
};

struct LanguageTexts {
    const char* code;
    const BuiltInTexts* texts;
};

const LanguageTexts kTexts[] = {
    {"de", &kGermanTexts}, {"fr", &kFrenchTexts}, {"es", &kSpanishTexts}, {"it", &kItalianTexts},
    {"nl", &kDutchTexts},  {"pl", &kPolishTexts}, {"cs", &kCzechTexts},   {"ru", &kRussianTexts},
    {"el", &kGreekTexts},
};

// The texts of a language other than English, or nullptr.
const BuiltInTexts* textsOf(std::string_view code) {
    for (const LanguageTexts& entry : kTexts) {
        if (code == entry.code) return entry.texts;
    }
    return nullptr;
}

const char* findFieldText(std::span<const FieldText> texts, std::string_view field) {
    for (const FieldText& text : texts) {
        if (field == text.field) return text.text;
    }
    return nullptr;
}

// `pattern` with every "{}" replaced by `name`.
std::string withName(const char* pattern, const std::string& name) {
    std::string out;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (p[0] == '{' && p[1] == '}') {
            out += name;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// The name as it must appear in a text formatted printf-style: "%" doubled.
std::string escapedPercent(const std::string& name) {
    std::string out;
    for (char c : name) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

}  // namespace

std::span<const BuiltInLanguage> builtInLanguages() { return kLanguages; }

const BuiltInLanguage* findBuiltInLanguage(std::string_view code) {
    for (const BuiltInLanguage& language : kLanguages) {
        if (code == language.code) return &language;
    }
    return nullptr;
}

const char* builtInText(std::string_view code, std::string_view field) {
    if (code == "en") {
        if (const fmt::TextSlotInfo* slot = fmt::findTextSlot(field)) return slot->defaultText;
        for (const fmt::ExtraTextInfo& text : fmt::kExtraTexts) {
            if (field == text.name) return text.defaultText;
        }
        return nullptr;
    }
    const BuiltInTexts* texts = textsOf(code);
    return texts == nullptr ? nullptr : findFieldText(texts->defaults, field);
}

std::string textFromNameIn(std::string_view code, fmt::u32 slot, const std::string& name) {
    if (code == "en") return textFromName(slot, name);
    const BuiltInTexts* texts = textsOf(code);
    if (texts == nullptr || slot >= fmt::kTextSlotCount) return {};
    const fmt::TextSlotInfo& info = fmt::kTextSlots[slot];
    const char* pattern = findFieldText(texts->nameTexts, info.name);
    // The registry key and the uninstall entry's name are not shown as
    // sentences: they read the same in every language.
    if (pattern == nullptr) return textFromName(slot, name);
    return withName(pattern, fmt::formatArguments(info.offset) != nullptr ? escapedPercent(name) : name);
}

std::array<std::string, fmt::kUninstallTextCount> uninstallTextsIn(std::string_view code, const std::string& name) {
    if (code == "en") return defaultUninstallTexts(name);
    const BuiltInTexts* texts = textsOf(code);
    if (texts == nullptr) return {};
    std::array<std::string, fmt::kUninstallTextCount> out = defaultUninstallTexts(name);
    for (fmt::u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
        if (const char* pattern = texts->uninstallTexts[i]) out[i] = withName(pattern, name);
    }
    return out;
}

}  // namespace mkpackage
