#include "description/flag_names.h"

#include <cstdio>

#include "format/package_format.h"

namespace mkpackage {
namespace {

// The names the description gives the [options] flags and the page item flags.
constexpr FlagName kOptions[] = {
    {"desktop-shortcuts", fmt::kFlagDesktopShortcuts},
    {"start-menu-shortcuts", fmt::kFlagStartMenuShortcuts},
    {"uninstall-entry", fmt::kFlagUninstallEntry},
    {"uninstall-shortcut", fmt::kFlagUninstallShortcut},
};

constexpr FlagName kItems[] = {
    {"bottom", fmt::kItemAnchorBottom}, {"left", fmt::kItemAlignLeft},   {"right", fmt::kItemAlignRight},
    {"center", fmt::kItemAlignCenter},  {"large", fmt::kItemFontLarge},  {"small", fmt::kItemFontSmall},
    {"times", fmt::kItemFaceTimes},     {"arial", fmt::kItemFaceArial},  {"bold", fmt::kItemBold},
    {"italic", fmt::kItemItalic},       {"underline", fmt::kItemUnderline},
};

constexpr FlagName kAttributes[] = {
    {"read-only", 0x1}, {"hidden", 0x2},   {"system", 0x4},     {"directory", 0x10},
    {"archive", 0x20},  {"normal", 0x80},  {"temporary", 0x100},
};

}  // namespace

const std::span<const FlagName> kOptionFlagNames(kOptions);
const std::span<const FlagName> kPageItemFlagNames(kItems);
const std::span<const FlagName> kAttributeNames(kAttributes);

std::vector<std::string> flagNames(std::uint32_t bits, std::span<const FlagName> names) {
    std::vector<std::string> out;
    for (const FlagName& flag : names) {
        if (bits & flag.bit) out.emplace_back(flag.name);
        bits &= ~flag.bit;
    }
    for (std::uint32_t bit = 1; bits != 0; bit <<= 1) {
        if ((bits & bit) == 0) continue;
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", bit);
        out.emplace_back(text);
        bits &= ~bit;
    }
    return out;
}

std::string flagNameList(std::uint32_t bits, std::span<const FlagName> names) {
    std::string out;
    for (const std::string& name : flagNames(bits, names)) out += (out.empty() ? "" : ", ") + name;
    return out.empty() ? "none" : out;
}

}  // namespace mkpackage
