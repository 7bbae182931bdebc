#include "engine/system/uninstall_entry_values.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/field_text.h"

namespace setup {

std::size_t uninstallEntryValues(const UninstallEntryFacts& facts, UninstallEntryTexts& room,
                                 RegistryValue* values) {
    // The uninstaller's own path in quotes: a path with blanks would first be
    // tried as "C:\Program.exe" by whoever runs the command. The uninstaller
    // takes the rest of its line as the log path, which needs none.
    if (!formatBounded(room.uninstallString, sizeof room.uninstallString, "\"%s%s\" %s", facts.installDir,
                       facts.uninstallerName, facts.logPath) ||
        !formatBounded(room.quietUninstallString, sizeof room.quietUninstallString, "\"%s%s\" /S %s",
                       facts.installDir, facts.uninstallerName, facts.logPath) ||
        !formatBounded(room.displayIcon, sizeof room.displayIcon, "%s%s", facts.installDir, facts.displayIcon)) {
        return 0;
    }
    formatBounded(room.installDate, sizeof room.installDate, "%04u%02u%02u", facts.year % 10000u,
                  facts.month % 100u, facts.day % 100u);
    const std::uint64_t kibibytes = (facts.installedBytes + 1023) / 1024;
    const std::uint32_t estimatedSize = kibibytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kibibytes);

    std::size_t count = 0;
    // An empty text gives no value, and one an earlier version of the
    // product left in the entry goes.
    const auto text = [&](const char* name, const char* value) {
        if (value != nullptr && value[0] != '\0') values[count++] = {name, value};
        else values[count++] = {name, nullptr, 0, true};
    };
    const auto number = [&](const char* name, std::uint32_t value) { values[count++] = {name, nullptr, value}; };
    text("DisplayName", facts.displayName);
    text("DisplayVersion", facts.displayVersion);
    text("Publisher", facts.publisher);
    text("InstallLocation", facts.installDir);
    text("InstallDate", room.installDate);
    text("DisplayIcon", room.displayIcon);
    text("UninstallString", room.uninstallString);
    text("QuietUninstallString", room.quietUninstallString);
    number("EstimatedSize", estimatedSize);
    number("NoModify", 1);
    number("NoRepair", 1);
    text("URLInfoAbout", facts.aboutUrl);
    text("HelpLink", facts.helpUrl);
    text("Contact", facts.contact);
    text("Comments", facts.comments);
    return count;
}

void defaultDisplayIcon(const fmt::Component* const* components, const std::uint32_t* actions,
                        std::uint32_t count, std::uint32_t selection, const char* uninstallerName,
                        char (&out)[fmt::kMaxPath]) {
    for (std::uint32_t c = 0; c < count && c < fmt::kMaxComponents; ++c) {
        if ((selection & (1u << c)) == 0) continue;
        const auto* action = reinterpret_cast<const fmt::InstallAction*>(components[c] + 1);
        for (std::uint32_t a = 0; a < actions[c]; ++a, ++action) {
            if (action->type != fmt::kActionDesktopShortcut && action->type != fmt::kActionProgramsShortcut) continue;
            copyFieldText(out, action->arg1);
            if (out[0] != '\0') return;
        }
    }
    copyBounded(out, uninstallerName);
}

}  // namespace setup
