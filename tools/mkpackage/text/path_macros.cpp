#include "text/path_macros.h"

#include <algorithm>

namespace mkpackage {
namespace {

constexpr std::string_view kInstallDirMacro = "$(ExtrPath)";
constexpr std::string_view kBootDriveMacro = "$(BootDrive)";

}  // namespace

std::size_t expandedLength(std::string_view text, std::size_t installDirLength) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '$') {
            ++length;
            ++i;
        } else if (text.compare(i, 2, "$$") == 0) {
            ++length;
            i += 2;
        } else if (text.compare(i, kInstallDirMacro.size(), kInstallDirMacro) == 0) {
            length += installDirLength;
            i += kInstallDirMacro.size();
        } else if (text.compare(i, kBootDriveMacro.size(), kBootDriveMacro) == 0) {
            ++length;
            i += kBootDriveMacro.size();
        } else {
            ++length;
            ++i;
        }
    }
    return length;
}

std::size_t worstInstallDirLength(std::string_view defaultFolder) {
    return std::max(kMaxTypedInstallDirLength, expandedLength(defaultFolder, 0));
}

std::vector<std::string> unexpandedMacros(std::string_view text, bool expanded) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '$') continue;
        if (expanded && text.compare(i, 2, "$$") == 0) {
            ++i;
            continue;
        }
        if (text.compare(i, 2, "$(") != 0) continue;
        const std::size_t close = text.find(')', i + 2);
        const std::string_view macro = text.substr(i, close == std::string_view::npos ? 2 : close - i + 1);
        const bool known = macro == kInstallDirMacro || macro == kBootDriveMacro;
        if (!known || !expanded) found.emplace_back(macro);
        if (expanded && known) i += macro.size() - 1;
    }
    return found;
}

}  // namespace mkpackage
