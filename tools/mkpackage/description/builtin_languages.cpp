#include "description/builtin_languages.h"

#include "description/description_reader.h"
#include "description/name_texts.h"
#include "format/extension_table.h"
#include "format/text_slots.h"

namespace mkpackage {
namespace {

constexpr BuiltInLanguage kLanguages[] = {
    {"en", "English", 1252, 0x09},
};

}  // namespace

std::span<const BuiltInLanguage> builtInLanguages() { return kLanguages; }

const BuiltInLanguage* findBuiltInLanguage(std::string_view code) {
    for (const BuiltInLanguage& language : kLanguages) {
        if (code == language.code) return &language;
    }
    return nullptr;
}

const char* builtInText(std::string_view code, std::string_view field) {
    if (code != "en") return nullptr;
    if (const fmt::TextSlotInfo* slot = fmt::findTextSlot(field)) return slot->defaultText;
    for (const fmt::ExtraTextInfo& text : fmt::kExtraTexts) {
        if (field == text.name) return text.defaultText;
    }
    return nullptr;
}

std::string textFromNameIn(std::string_view code, fmt::u32 slot, const std::string& name) {
    if (code != "en") return {};
    return textFromName(slot, name);
}

std::array<std::string, fmt::kUninstallTextCount> uninstallTextsIn(std::string_view code, const std::string& name) {
    if (code != "en") return {};
    return defaultUninstallTexts(name);
}

}  // namespace mkpackage
