#include "description/field_tables.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "description/builtin_languages.h"
#include "description/description_reader.h"
#include "description/name_texts.h"
#include "format/extension_table.h"
#include "format/text_formats.h"
#include "format/text_slots.h"
#include "sources/source_files.h"
#include "text/path_macros.h"

namespace mkpackage {
namespace {

using fmt::u32;

// [product] keys and the text slots they fill.
struct ProductKey {
    const char* key;
    const char* slot;
};
constexpr ProductKey kProductKeys[] = {
    {"name", "productName"},           {"version", "productVersion"},   {"registry-key", "registryKey"},
    {"default-folder", "defaultInstallDir"}, {"log-name", "uninstallLogName"}, {"uninstaller", "uninstallerName"},
};

constexpr std::string_view kUninstallKeyPrefix = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The least room the uninstaller's texts leave for the uninstall log's entries.
constexpr std::size_t kMinimumLogRoom = 4096;

}  // namespace

std::string slotTextProblem(std::size_t offset, const std::string& text) {
    std::string problem;
    switch (offset) {
    case offsetof(fmt::TextSlots, productName):
        if (text.empty()) return "is empty";
        if (text.size() > fmt::kMaxProductNameLength) {
            return "is " + std::to_string(text.size()) + " characters, more than " +
                   std::to_string(fmt::kMaxProductNameLength);
        }
        return {};
    case offsetof(fmt::TextSlots, defaultInstallDir):
        if (text.empty()) return "is empty";
        if (text.back() != '\\') return "must end with \"\\\"";
        return {};
    case offsetof(fmt::TextSlots, uninstallLogName):
    case offsetof(fmt::TextSlots, uninstallerName):
        if (text.empty()) return "is empty";
        if (!checkStoredName(text, problem)) return "\"" + text + "\" cannot be a file in the install folder: it " + problem;
        return {};
    case offsetof(fmt::TextSlots, uninstallShortcutName):
        if (!text.empty() && !checkStoredName(text + ".lnk", problem)) {
            return "\"" + text + ".lnk\" cannot be a shortcut file: it " + problem;
        }
        return {};
    case offsetof(fmt::TextSlots, registryKey):
        if (std::string root = rootInKeyProblem(text); !root.empty()) return root + " (below HKEY_LOCAL_MACHINE)";
        if (text.size() > kMaxRegistryKeyLength) {
            return "is " + std::to_string(text.size()) + " characters, more than the " +
                   std::to_string(kMaxRegistryKeyLength) + " a registry key may have";
        }
        return {};
    case offsetof(fmt::TextSlots, uninstallDisplayName):
        if (kUninstallKeyPrefix.size() + text.size() > kMaxRegistryKeyLength) {
            return "is " + std::to_string(text.size()) + " characters: the uninstall entry's key would be longer than " +
                   std::to_string(kMaxRegistryKeyLength) + " (at most " +
                   std::to_string(kMaxRegistryKeyLength - kUninstallKeyPrefix.size()) + ")";
        }
        return {};
    default:
        return {};
    }
}

// Sets a text slot, from [product] or [texts]: the same rules hold for
// it either way.
void TextFields::setSlot(const char* slotName, const toml::node& node, const std::string& field) {
    const fmt::TextSlotInfo* slot = fmt::findTextSlot(slotName);
    const u32 index = slot->offset / 4;
    if (given_[index]) r_.fail(node, field, std::string("text slot ") + slotName + " is given twice");
    given_[index] = true;
    d_.textLines[index] = lineOf(node);
    d_.texts[index] = r_.text(node, field);
    if (const char* arguments = fmt::formatArguments(slot->offset)) {
        const std::string problem = fmt::checkFormatText(d_.texts[index], arguments);
        if (!problem.empty()) r_.fail(node, field, problem);
    }
    const std::string problem = slotTextProblem(slot->offset, d_.texts[index]);
    if (!problem.empty()) r_.fail(node, field, problem);
}

// A text beyond the slots, kept in the package's extra-texts record.
void TextFields::setExtraText(const fmt::ExtraTextInfo& extra, const toml::node& node, const std::string& field) {
    std::string text = r_.text(node, field, fmt::kMaxExtraTextLength - 1);
    const std::string problem = fmt::checkFormatText(text, extra.arguments);
    if (!problem.empty()) r_.fail(node, field, problem);
    d_.extraTexts[extra.id] = std::move(text);
}

void TextFields::readProduct(const toml::table& product) {
    const long line = lineOf(product);
    d_.productLine = line;
    std::vector<std::string_view> keys(std::begin(kDeploymentKeys), std::end(kDeploymentKeys));
    for (const ProductKey& k : kProductKeys) keys.push_back(k.key);
    keys.insert(keys.end(), std::begin(kLanguageKeys), std::end(kLanguageKeys));
    for (auto&& [key, node] : product) {
        if (std::find(keys.begin(), keys.end(), key.str()) == keys.end()) {
            const long keyLine = static_cast<long>(key.source().begin.line);
            const std::string field = "product." + std::string(key.str());
            r_.attempt([&] { r_.fail(keyLine, field, "unknown key"); });
        }
    }
    if (product.get("name") == nullptr) r_.attempt([&] { r_.fail(line, "product.name", "is missing"); });
    for (const ProductKey& k : kProductKeys) {
        if (const toml::node* node = product.get(k.key)) {
            r_.attempt([&] { setSlot(k.slot, *node, std::string("product.") + k.key); });
        }
    }
    if (const toml::node* nameNode = product.get("name")) {
        r_.attempt([&] { productNameUtf8_ = r_.utf8(*nameNode, "product.name"); });
    }
    const toml::node* uninstaller = product.get("uninstaller");
    d_.uninstallerLine = uninstaller != nullptr ? lineOf(*uninstaller) : line;
}

// Without a folder the files would land in whatever folder the program
// starts in, and without a log name the last step would fail: both get a
// default when neither [product] nor [texts] gives them (an empty one is
// refused by the slot's rule).
void TextFields::applyProductDefaults() {
    const u32 folder = slotIndex(offsetof(fmt::TextSlots, defaultInstallDir));
    if (!given_[folder]) d_.texts[folder] = "$(BootDrive):\\Program Files\\" + d_.texts[0] + "\\";
    const u32 log = slotIndex(offsetof(fmt::TextSlots, uninstallLogName));
    if (!given_[log]) d_.texts[log] = "InstallLog";
}

namespace {

// "X:", "$(BootDrive):" or "\\server\share", with or without closing backslashes.
bool namesDriveOrShareRoot(std::string folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    const std::string bootDrive = "$(BootDrive):";
    if (folder == bootDrive) return true;
    if (folder.size() == 2 && folder[1] == ':') return true;
    if (folder.size() > 2 && (folder[0] == '\\' || folder[0] == '/') && (folder[1] == '\\' || folder[1] == '/')) {
        const std::size_t server = folder.find_first_of("\\/", 2);
        return server != std::string::npos && server > 2 && folder.find_first_of("\\/", server + 1) == std::string::npos;
    }
    return false;
}

}  // namespace

void TextFields::checkDefaultFolderRoom() {
    const u32 folderSlot = slotIndex(offsetof(fmt::TextSlots, defaultInstallDir));
    const std::string& folder = d_.texts[folderSlot];
    const std::size_t folderLength = expandedLength(folder, 0);
    // The names the run makes in the folder: every stored file of a component
    // that is installed there, the uninstall log and the uninstaller.
    std::string longest = d_.texts[slotIndex(offsetof(fmt::TextSlots, uninstallLogName))];
    const std::string& uninstaller = d_.texts[slotIndex(offsetof(fmt::TextSlots, uninstallerName))];
    if ((d_.settings.flags & (fmt::kFlagUninstallEntry | fmt::kFlagUninstallShortcut)) && uninstaller.size() > longest.size())
        longest = uninstaller;
    for (std::size_t c = 0; c < d_.components.size(); ++c) {
        if (c < 32 && (d_.settings.directXComponentMask >> c) & 1) continue;
        for (const SourceFile& file : d_.components[c].files)
            if (file.storedName.size() > longest.size()) longest = file.storedName;
    }
    constexpr std::size_t kLongestPath = fmt::kMaxPath - 1;
    const long line = d_.textLines[folderSlot] != 0 ? d_.textLines[folderSlot] : d_.productLine;
    // The setup program refuses a drive's or a share's root as an install
    // folder in the chooser and in /D=, and a removal anchored there would
    // reach the whole drive: no installer of ours offers one as its default.
    if (namesDriveOrShareRoot(folder))
        r_.fail(line, "product.default-folder",
                "\"" + folder + "\" is the root of a drive or share, which the setup program refuses as an install "
                "folder; give the product a folder of its own, such as \"$(BootDrive):\\Program Files\\" +
                    d_.texts[0] + "\\\"");
    if (folderLength + longest.size() <= kLongestPath) return;
    r_.fail(line, "product.default-folder",
            "is " + std::to_string(folderLength) + " characters once expanded; with \"" + longest + "\" (" +
                std::to_string(longest.size()) + ") the path is longer than the " + std::to_string(kLongestPath) +
                " characters the setup program's paths hold, so every installation into it would fail");
}

void TextFields::readTexts(const toml::table& texts) {
    for (auto&& [key, node] : texts) {
        const toml::key& name = key;
        const toml::node& value = node;
        r_.attempt([&] { readText(name, value); });
    }
    for (const char* fallback : {"dxVersionUnknown", "dxVersionNotFound"}) {
        const u32 index = fmt::findTextSlot(fallback)->offset / 4;
        if (given_[index] && d_.texts[index].size() > fmt::kDirectXFallbackTextLimit) {
            r_.attempt([&] {
                r_.fail(*texts.get(fallback), std::string("texts.") + fallback, "must be shorter than " + std::to_string(fmt::kDirectXFallbackTextLimit + 1) + " characters");
            });
        }
    }
}

void TextFields::readText(const toml::key& key, const toml::node& node) {
    {
        const std::string name(key.str());
        const std::string field = "texts." + name;
        if (name == "dxReasons") {
            const toml::array& reasons = r_.asArray(node, field);
            if (reasons.size() != fmt::kDirectXReasonCount) {
                r_.fail(node, field, "needs " + std::to_string(fmt::kDirectXReasonCount) + " texts, has " + std::to_string(reasons.size()));
            }
            for (std::size_t i = 0; i < reasons.size(); ++i) {
                const u32 index = fmt::kFirstDirectXReasonSlot + static_cast<u32>(i);
                given_[index] = true;
                d_.textLines[index] = lineOf(reasons[i]);
                d_.texts[index] = r_.text(reasons[i], field + "[" + std::to_string(i) + "]");
            }
            return;
        }
        for (const fmt::ExtraTextInfo& extra : fmt::kExtraTexts) {
            if (name == extra.name) {
                setExtraText(extra, node, field);
                return;
            }
        }
        const fmt::TextSlotInfo* slot = fmt::findTextSlot(name);
        if (slot == nullptr || slot->offset / 4 == fmt::kUnusedTextSlot || name.rfind("dxReasons", 0) == 0) {
            r_.fail(static_cast<long>(key.source().begin.line), field, "unknown key (not a text slot)");
        }
        setSlot(slot->name, node, field);
    }
}

void TextFields::applyTextDefaults() {
    applyProductDefaults();
    // A description in another language than English takes the builder's
    // texts of that language where it has them.
    const std::string& language = d_.language.code;
    const bool english = language == "en";
    for (u32 i = 0; i < fmt::kTextSlotCount; ++i) {
        if (given_[i]) continue;
        if (!english) {
            std::string problem;
            const char* own = builtInText(language, fmt::kTextSlots[i].name);
            if (own == nullptr || own[0] == '\0') own = nullptr;
            if (own != nullptr) {
                if (std::optional<std::string> text = r_.encoder().encode(own, problem)) {
                    d_.texts[i] = *text;
                    continue;
                }
            }
        }
        if (fmt::kTextSlots[i].defaultText != nullptr) {
            d_.texts[i] = fmt::kTextSlots[i].defaultText;
            continue;
        }
        std::string made = english ? std::string() : textFromNameIn(language, i, productNameUtf8_);
        if (made.empty()) made = textFromName(i, productNameUtf8_);
        if (made.empty()) continue;
        // A name that makes a text its slot refuses (a shortcut name with a
        // character no file name may hold, an uninstall key too long) leaves
        // the slot empty, as a description without the text always had it:
        // the warnings say where it would be shown.
        std::string problem;
        const std::string text = r_.encoder().encode(made, problem).value_or(std::string());
        const u32 offset = fmt::kTextSlots[i].offset;
        const char* arguments = fmt::formatArguments(offset);
        if (text.empty() || !slotTextProblem(offset, text).empty() ||
            (arguments != nullptr && !fmt::checkFormatText(text, arguments).empty())) {
            continue;
        }
        d_.texts[i] = text;
    }
}

void TextFields::readUninstaller(const toml::node* node) {
    std::array<std::string, fmt::kUninstallTextCount> utf8Texts = defaultUninstallTexts(productNameUtf8_);
    if (d_.language.code != "en") {
        const std::array<std::string, fmt::kUninstallTextCount> own = uninstallTextsIn(d_.language.code, productNameUtf8_);
        for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
            std::string problem;
            if (!own[i].empty() && r_.encoder().encode(own[i], problem)) utf8Texts[i] = own[i];
        }
    }
    const toml::node* texts = nullptr;
    if (node != nullptr) {
        const toml::table& table = r_.asTable(*node, "uninstaller");
        r_.checkKeys(table, {"texts", "bundle"}, "uninstaller", lineOf(table));
        texts = table.get("texts");
        if (const toml::node* bundle = table.get("bundle")) {
            if (!bundle->is_boolean()) r_.fail(*bundle, "uninstaller.bundle", "must be true or false");
            d_.bundleUninstaller = bundle->as_boolean()->get();
        }
    }
    std::size_t total = 0;
    for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
        if (texts != nullptr) {
            const toml::array& list = r_.asArray(*texts, "uninstaller.texts");
            if (list.size() != fmt::kUninstallTextCount) {
                r_.fail(*texts, "uninstaller.texts", "needs " + std::to_string(fmt::kUninstallTextCount) + " texts, has " + std::to_string(list.size()));
            }
            d_.uninstallTexts[i] = r_.text(list[i], "uninstaller.texts[" + std::to_string(i) + "]");
        } else {
            // Built from the product name, which is already known to encode.
            std::string problem;
            d_.uninstallTexts[i] = r_.encoder().encode(utf8Texts[i], problem).value_or(std::string());
        }
        total += d_.uninstallTexts[i].size() + 1;
    }
    // The log appends an entry only while usedBytes + its size stays within
    // the limit; the texts must leave room for at least a few entries.
    if (total + kMinimumLogRoom > fmt::kLogAreaLimit) {
        r_.fail(texts != nullptr ? lineOf(*texts) : 1, "uninstaller.texts",
                "the texts take " + std::to_string(total) + " bytes and leave no room for the uninstall log in its " +
                    std::to_string(fmt::kLogAreaSize) + "-byte area (entries may fill it only up to " +
                    std::to_string(fmt::kLogAreaLimit) + ")");
    }
}

std::array<std::string, fmt::kUninstallTextCount> defaultUninstallTexts(const std::string& name) {
    return {
        "UnInstall " + name,
        "Lock_" + name,
        name + " is still running. Please close it before removing it.",
        "Are you sure you want to remove " + name + " and all of its components?",
        "Removing Files",
        "Removing Directories",
        "Removing Registry Entries",
        "All Done",
        name + " has been removed from your computer.",
        "Errors occurred while removing " + name + ". Some parts may have to be removed by hand.",
        "UnInstalling",
        "Removing " + name + ", please wait...",
        "Errors occurred during UnInstallation",
        "-- These files could not be removed --",
        "-- These directories could not be removed --",
        "-- These registry entries could not be removed --",
        name,
        "OK",
        "&Details...",
    };
}

}  // namespace mkpackage
