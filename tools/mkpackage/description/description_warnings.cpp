#include "description/description_warnings.h"

#include <set>

#include "common/input_error.h"
#include "common/path_text.h"
#include "format/text_slots.h"
#include "sources/source_files.h"
#include "text/path_macros.h"

namespace mkpackage {
namespace {

using fmt::u32;

u32 slotIndex(std::size_t offset) { return static_cast<u32>(offset / 4); }

// What the setup program will do with the description, as far as the
// shown texts depend on it.
struct Reach {
    bool pages = false, files = false, registryKey = false, destinationPage = false, directX = false;
    bool uninstallEntry = false, uninstallShortcut = false;
    bool completion[3] = {};  // start menu, desktop, folder
};

Reach reachOf(const Description& d) {
    Reach r;
    r.pages = !d.pages.empty();
    for (const ComponentSpec& c : d.components) r.files = r.files || !c.files.empty();
    r.registryKey = !d.texts[slotIndex(offsetof(fmt::TextSlots, registryKey))].empty();
    r.directX = d.settings.directXComponentMask != 0;
    r.uninstallEntry = (d.settings.flags & fmt::kFlagUninstallEntry) != 0;
    r.uninstallShortcut = (d.settings.flags & fmt::kFlagUninstallShortcut) != 0;
    bool desktopBox = false, startMenuBox = false;
    for (const auto& page : d.pages) {
        for (const PageItemSpec& item : page) {
            desktopBox = desktopBox || item.type == fmt::kItemDesktopCheckBox;
            startMenuBox = startMenuBox || item.type == fmt::kItemStartMenuCheckBox;
            r.destinationPage = r.destinationPage || item.type == fmt::kItemDestinationGroup;
        }
    }
    // The wizard's check boxes change flag bits 0 and 1, so either value of
    // a bit with a box is reachable; the bits choose the completion text.
    const bool desktop = (d.settings.flags & fmt::kFlagDesktopShortcuts) != 0;
    const bool startMenu = (d.settings.flags & fmt::kFlagStartMenuShortcuts) != 0;
    for (int b1 = 0; b1 < 2; ++b1) {
        if (b1 != startMenu && !startMenuBox) continue;
        for (int b0 = 0; b0 < 2; ++b0) {
            if (b0 != desktop && !desktopBox) continue;
            r.completion[b1 ? 0 : b0 ? 1 : 2] = true;
        }
    }
    return r;
}

struct ShownText {
    std::size_t offset;
    const char* shownAs;
    bool (*shown)(const Reach&);
};

const ShownText kShownTexts[] = {
    {offsetof(fmt::TextSlots, msgConfirmInstall), "the install question", [](const Reach&) { return true; }},
    {offsetof(fmt::TextSlots, msgConfirmUpgrade), "the upgrade question", [](const Reach& r) { return r.registryKey; }},
    {offsetof(fmt::TextSlots, msgConfirmReinstall), "the reinstall question", [](const Reach& r) { return r.registryKey; }},
    {offsetof(fmt::TextSlots, msgNewerInstalled), "the refusal when a newer version is installed",
     [](const Reach& r) { return r.registryKey; }},
    {offsetof(fmt::TextSlots, textRemovingPrevious), "the notice while a previous installation is removed",
     [](const Reach& r) { return r.registryKey; }},
    {offsetof(fmt::TextSlots, msgDoneStartMenu), "the completion message (start-menu shortcuts made)",
     [](const Reach& r) { return r.completion[0]; }},
    {offsetof(fmt::TextSlots, msgDoneDesktop), "the completion message (desktop shortcuts made)",
     [](const Reach& r) { return r.completion[1]; }},
    {offsetof(fmt::TextSlots, msgDoneFolder), "the completion message (no shortcuts made)",
     [](const Reach& r) { return r.completion[2]; }},
    {offsetof(fmt::TextSlots, msgDoneReboot), "the restart question after the DirectX setup",
     [](const Reach& r) { return r.directX; }},
    {offsetof(fmt::TextSlots, dxMsgFailed), "the question after a failed DirectX setup",
     [](const Reach& r) { return r.directX; }},
    {offsetof(fmt::TextSlots, msgConfirmQuit), "the cancel question", [](const Reach& r) { return r.pages || r.files; }},
    {offsetof(fmt::TextSlots, msgCanceled), "the message after a cancel", [](const Reach& r) { return r.pages || r.files; }},
    {offsetof(fmt::TextSlots, msgLowDiskSpace), "the low disk space question",
     [](const Reach& r) { return r.destinationPage; }},
    {offsetof(fmt::TextSlots, titlePrompt), "the caption of the start-up questions", [](const Reach&) { return true; }},
    {offsetof(fmt::TextSlots, titleError), "the caption of every error message", [](const Reach&) { return true; }},
    {offsetof(fmt::TextSlots, titleMessage), "the caption of the completion message", [](const Reach&) { return true; }},
    {offsetof(fmt::TextSlots, titleWizard), "the wizard's title", [](const Reach& r) { return r.pages; }},
    {offsetof(fmt::TextSlots, progressTitle), "the progress window's title", [](const Reach& r) { return r.files; }},
    {offsetof(fmt::TextSlots, uninstallDisplayName), "the name of the uninstall entry (its key would be the list itself)",
     [](const Reach& r) { return r.uninstallEntry; }},
    {offsetof(fmt::TextSlots, uninstallShortcutName), "the name of the uninstaller's shortcut (\".lnk\" alone)",
     [](const Reach& r) { return r.uninstallShortcut; }},
};

class WarningFinder {
public:
    explicit WarningFinder(const Description& d) : d_(d) {}

    std::vector<Warning> find(const std::string& previousVersion) {
        emptyTexts();
        emptyComponents();
        sharedSetupTypes();
        shortcutTargets();
        macros();
        registration();
        if (!previousVersion.empty()) versionOrder(previousVersion);
        return std::move(warnings_);
    }

private:
    std::string slotField(u32 index) const { return std::string("texts.") + fmt::kTextSlots[index].name; }
    long slotLine(u32 index) const { return d_.textLines[index] != 0 ? d_.textLines[index] : d_.productLine; }
    const std::string& slot(std::size_t offset) const { return d_.texts[slotIndex(offset)]; }
    void add(long line, const std::string& field, const std::string& what) { warnings_.push_back({line, field, what}); }

    void emptyTexts() {
        const Reach reach = reachOf(d_);
        for (const ShownText& t : kShownTexts) {
            const u32 index = slotIndex(t.offset);
            if (d_.texts[index].empty() && t.shown(reach)) {
                add(slotLine(index), slotField(index), std::string("is empty, and the setup program shows it as ") + t.shownAs);
            }
        }
    }

    // A component without files or actions installs nothing when selected.
    void emptyComponents() {
        for (std::size_t c = 0; c < d_.components.size(); ++c) {
            const ComponentSpec& component = d_.components[c];
            if (!component.files.empty() || !component.actions.empty()) continue;
            add(component.line, "components[" + std::to_string(c) + "]",
                "component \"" + component.name + "\" holds no files and no actions: selecting it installs nothing");
        }
    }

    // The wizard checks every setup-type button whose selection is the
    // current one: two buttons with the same selection show checked together.
    void sharedSetupTypes() {
        struct SetupType {
            u32 item;
            u32 mask;
            const char* field;
            const char* name;
        };
        const fmt::ScalarSettings& s = d_.settings;
        const SetupType types[] = {
            {fmt::kItemPreset1Radio, s.selectionPreset1, "options.preset-1", "preset-1"},
            {fmt::kItemDefaultSelectionRadio, s.defaultSelection, "options.default-selection", "the default selection"},
            {fmt::kItemPreset3Radio, s.selectionPreset3, "options.preset-3", "preset-3"},
        };
        const auto shown = [&](u32 item) {
            for (const auto& page : d_.pages)
                for (const PageItemSpec& pageItem : page)
                    if (pageItem.type == item) return true;
            return false;
        };
        const long line = d_.optionsLine != 0 ? d_.optionsLine : d_.productLine;
        for (std::size_t a = 0; a < 3; ++a) {
            for (std::size_t b = a + 1; b < 3; ++b) {
                if (types[a].mask != types[b].mask || !shown(types[a].item) || !shown(types[b].item)) continue;
                add(line, types[b].field,
                    std::string("selects the same components as ") + types[a].name +
                        ": the wizard shows both setup-type buttons checked while that is the selection");
            }
        }
    }

    // The component that stores `name`, or -1.
    int componentStoring(const std::string& name) const {
        for (std::size_t c = 0; c < d_.components.size(); ++c)
            for (const SourceFile& f : d_.components[c].files)
                if (sameStoredName(f.storedName, name)) return static_cast<int>(c);
        return -1;
    }

    // A shortcut runs with its component; the file it points at must come
    // with the same component, or the shortcut may point at nothing.
    void shortcutTargets() {
        for (std::size_t c = 0; c < d_.components.size(); ++c) {
            const ComponentSpec& component = d_.components[c];
            for (std::size_t a = 0; a < component.actions.size(); ++a) {
                const fmt::InstallAction& action = component.actions[a];
                if (action.type != fmt::kActionDesktopShortcut && action.type != fmt::kActionProgramsShortcut) continue;
                const std::string program = action.arg1;
                bool here = false;
                for (const SourceFile& f : component.files) here = here || sameStoredName(f.storedName, program);
                if (here) continue;
                const int other = componentStoring(program);
                add(actionLine(c, a), actionField(c, a, "program"),
                    "\"" + program + "\" is " +
                        (other < 0 ? std::string("no stored file of any component")
                                   : "stored by component \"" + d_.components[other].name + "\", not by \"" +
                                         component.name + "\", which makes the shortcut") +
                        ": the shortcut may point at nothing");
            }
        }
    }

    long actionLine(std::size_t c, std::size_t a) const {
        const ComponentSpec& component = d_.components[c];
        return a < component.actionLines.size() ? component.actionLines[a] : component.line;
    }
    static std::string actionField(std::size_t c, std::size_t a, const char* key) {
        return "components[" + std::to_string(c) + "].actions[" + std::to_string(a) + "]." + key;
    }

    void macroWarnings(const std::string& text, bool expanded, long line, const std::string& field) {
        for (const std::string& macro : unexpandedMacros(text, expanded)) {
            add(line, field,
                expanded ? "\"" + macro + "\" is no macro the setup program knows ($(ExtrPath), $(BootDrive) and $$ are); it stays as written"
                         : "\"" + macro + "\" stays as written: the setup program expands macros only in the default "
                                          "folder and in registry-value texts");
        }
    }

    void macros() {
        const u32 folder = slotIndex(offsetof(fmt::TextSlots, defaultInstallDir));
        macroWarnings(d_.texts[folder], true, slotLine(folder), slotField(folder));
        for (std::size_t offset : {offsetof(fmt::TextSlots, registryKey), offsetof(fmt::TextSlots, uninstallLogName),
                                   offsetof(fmt::TextSlots, uninstallerName), offsetof(fmt::TextSlots, uninstallDisplayName),
                                   offsetof(fmt::TextSlots, uninstallShortcutName)}) {
            const u32 index = slotIndex(offset);
            macroWarnings(d_.texts[index], false, slotLine(index), slotField(index));
        }
        for (std::size_t c = 0; c < d_.components.size(); ++c) {
            const ComponentSpec& component = d_.components[c];
            for (std::size_t a = 0; a < component.actions.size(); ++a) {
                const fmt::InstallAction& action = component.actions[a];
                const long line = actionLine(c, a);
                switch (action.type) {
                case fmt::kActionRegistryValue:
                    macroWarnings(action.arg1, true, line, actionField(c, a, "key"));
                    macroWarnings(action.arg2, true, line, actionField(c, a, "value"));
                    macroWarnings(action.arg3, true, line, actionField(c, a, "data"));
                    break;
                case fmt::kActionDesktopShortcut:
                case fmt::kActionProgramsShortcut:
                    macroWarnings(action.arg1, false, line, actionField(c, a, "program"));
                    macroWarnings(action.arg2, false, line, actionField(c, a, "name"));
                    macroWarnings(action.arg3, false, line, actionField(c, a, "arguments"));
                    break;
                case fmt::kActionRemoveFile:
                case fmt::kActionRemoveFileFlagged:
                    macroWarnings(action.arg1, false, line, actionField(c, a, "path"));
                    break;
                default:
                    macroWarnings(action.arg1, false, line, actionField(c, a, "key"));
                    break;
                }
            }
        }
    }

    void registration() {
        const u32 key = slotIndex(offsetof(fmt::TextSlots, registryKey));
        if (d_.texts[key].empty()) {
            add(slotLine(key), "product.registry-key",
                "is empty: the setup program then writes the uninstall log's path (\"UnInstallLog\") at the root of "
                "HKEY_LOCAL_MACHINE and keeps no \"Version\" to compare the next installation with");
        }
        const u32 asking = fmt::kFlagUninstallEntry | fmt::kFlagUninstallShortcut;
        const std::string& uninstaller = slot(offsetof(fmt::TextSlots, uninstallerName));
        if ((d_.settings.flags & asking) != 0 && componentStoring(uninstaller) < 0) {
            add(d_.flagsLine != 0 ? d_.flagsLine : d_.productLine, "options.flags",
                "the uninstall entry or shortcut starts \"" + uninstaller +
                    "\", which no component stores ([uninstaller] bundle = false): the product cannot be removed");
        }
    }

    void versionOrder(const std::string& previous) {
        const u32 index = slotIndex(offsetof(fmt::TextSlots, productVersion));
        const std::string& version = d_.texts[index];
        const int text = compareVersionTexts(version, previous);
        const int numbers = compareVersionNumbers(version, previous);
        if ((text < 0) == (numbers < 0) && (text > 0) == (numbers > 0)) return;
        const auto order = [](int sign) { return sign < 0 ? "older than" : sign > 0 ? "newer than" : "the same as"; };
        std::string effect = text < 0 ? "refuses to install it over " : text > 0 ? "offers it as an upgrade of "
                                                                                 : "offers it as a reinstall of ";
        add(slotLine(index), "product.version",
            "\"" + version + "\" is " + order(numbers) + " \"" + previous +
                "\" by its numbers, but the setup program compares versions as text (character by character, "
                "ignoring case), takes it for " + order(text) + " and " + effect + "\"" + previous + "\"");
    }

    const Description& d_;
    std::vector<Warning> warnings_;
};

unsigned foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? unsigned(c - 'A' + 'a') : c; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<Warning> findWarnings(const Description& description, const std::string& previousVersion) {
    std::vector<Warning> warnings = WarningFinder(description).find(previousVersion);
    // One warning per translation, naming the texts it shows in the first
    // language: a long list of them is one thing to see to, not many.
    for (const TranslationSpec& translation : description.translations) {
        if (translation.fallbacks.empty()) continue;
        // The first few by name; inspect lists every text of each language.
        constexpr std::size_t kNamed = 8;
        const std::size_t count = translation.fallbacks.size();
        std::string fields;
        for (std::size_t i = 0; i < count && i < kNamed; ++i) fields += (i == 0 ? "" : ", ") + translation.fallbacks[i];
        if (count > kNamed) fields += " and " + std::to_string(count - kNamed) + " more";
        warnings.push_back({translation.line, "translations." + translation.code,
                            std::to_string(count) + (count == 1 ? " text is" : " texts are") +
                                " not translated and show the first language's (" + description.language.code +
                                "): " + fields});
    }
    return warnings;
}

std::string formatWarning(const Description& description, const Warning& warning) {
    return utf8FromPath(description.file) + ":" + std::to_string(warning.line) + ": warning: " + warning.field + ": " +
           warning.what;
}

int compareVersionTexts(const std::string& a, const std::string& b) {
    for (std::size_t i = 0;; ++i) {
        const unsigned x = i < a.size() ? foldAscii(static_cast<unsigned char>(a[i])) : 0;
        const unsigned y = i < b.size() ? foldAscii(static_cast<unsigned char>(b[i])) : 0;
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

int compareVersionNumbers(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Numbers of any length: without leading zeros, the longer is larger.
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            std::size_t ie = i, je = j;
            while (ie < a.size() && isDigit(a[ie])) ++ie;
            while (je < b.size() && isDigit(b[je])) ++je;
            if (ie - i != je - j) return ie - i < je - j ? -1 : 1;
            const int c = a.compare(i, ie - i, b, j, je - j);
            if (c != 0) return c < 0 ? -1 : 1;
            i = ie;
            j = je;
            continue;
        }
        const unsigned x = foldAscii(static_cast<unsigned char>(a[i])), y = foldAscii(static_cast<unsigned char>(b[j]));
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace mkpackage
