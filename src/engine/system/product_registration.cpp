#include "engine/system/product_registration.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure/failure.h"
#include "engine/journal/run_journal.h"
#include "engine/log/log_digest.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/log/uninstall_log_file.h"
#include "engine/system/post_install_rules.h"
#include "engine/system/registry.h"
#include "engine/system/shortcuts.h"
#include "engine/system/uninstall_entry_values.h"
#include "engine/undo/registry_backups.h"
#include "package/extra_texts.h"
#include "package/package_languages.h"
#include "package/setup_config.h"

namespace setup {

namespace {

constexpr char kUninstallKeyFormat[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";

// A registry text that would be cut is refused as a registry failure: a cut
// key would register the product under another name, a cut command would
// run something else.
[[noreturn]] void raiseRegistryTextTooLong() {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    raiseInstallError(kErrorRegistry);
}

// The system uninstall entry this run wrote, empty until then. It is not in
// the uninstall log, so a rollback removes it by this name.
char writtenUninstallKey[fmt::kMaxPath];

const fmt::Component* componentAt(std::uint32_t index) {
    return configRecord<const fmt::Component>(config().components[index]);
}

// The stored file whose icon the system's list of programs shows.
void chooseDisplayIcon(const ExtractionState& product, char (&out)[fmt::kMaxPath]) {
    const fmt::SetupConfig& record = config();
    const char* given = extraText(fmt::kExtraTextDisplayIcon, "");
    if (given[0] != '\0') {
        copyBounded(out, given);
        return;
    }
    const std::uint32_t count =
        record.settings.componentCount < fmt::kMaxComponents ? record.settings.componentCount : fmt::kMaxComponents;
    const fmt::Component* components[fmt::kMaxComponents];
    std::uint32_t actions[fmt::kMaxComponents];
    for (std::uint32_t i = 0; i < count; ++i) {
        components[i] = componentAt(i);
        const std::size_t offset = reinterpret_cast<const std::uint8_t*>(components[i] + 1) - configArea;
        actions[i] = actionsWithinLimit(offset, components[i]->actionCount, sizeof(fmt::InstallAction),
                                        fmt::kConfigAreaSize);
    }
    defaultDisplayIcon(components, actions, count, product.selectionMask, configText(record.texts.uninstallerName),
                       out);
}

void writeSystemUninstallEntry(const char* logPath, const ExtractionState& product) {
    const fmt::TextSlots& texts = config().texts;
    const char* displayName = configText(texts.uninstallDisplayName);
    char keyPath[fmt::kMaxPath];
    if (!formatBounded(keyPath, sizeof keyPath, kUninstallKeyFormat, displayName)) raiseRegistryTextTooLong();

    char icon[fmt::kMaxPath];
    chooseDisplayIcon(product, icon);
    SYSTEMTIME today;
    GetLocalTime(&today);
    const UninstallEntryFacts facts{
        displayName,
        extraText(fmt::kExtraTextDisplayVersion, configText(texts.productVersion)),
        extraText(fmt::kExtraTextPublisher, ""),
        extraText(fmt::kExtraTextAboutUrl, ""),
        extraText(fmt::kExtraTextHelpUrl, ""),
        extraText(fmt::kExtraTextContact, ""),
        extraText(fmt::kExtraTextComments, ""),
        installDir,
        configText(texts.uninstallerName),
        icon,
        logPath,
        product.installedBytes,
        today.wYear,
        today.wMonth,
        today.wDay,
    };
    static UninstallEntryTexts room;
    RegistryValue values[kMaxUninstallEntryValues];
    const std::size_t count = uninstallEntryValues(facts, room, values);
    if (count == 0) raiseRegistryTextTooLong();
    copyBounded(writtenUninstallKey, keyPath);  // before writing: a half-made key goes too
    journalUninstallKey(keyPath);
    writeRegistryValues(HKEY_LOCAL_MACHINE, keyPath, values, count);
}

}  // namespace

void adoptWrittenUninstallEntry(const char* keyPath) { copyBounded(writtenUninstallKey, keyPath); }

void removeWrittenUninstallEntry() {
    if (writtenUninstallKey[0] == '\0') return;
    if (keyMadeByRun(fmt::kRootLocalMachine, writtenUninstallKey))
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, writtenUninstallKey);
    writtenUninstallKey[0] = '\0';
}

void registerProduct() {
    const fmt::TextSlots& texts = config().texts;
    const char* key = configText(texts.registryKey);
    if (key[0] == '\0') return;
    // Logged first: a value that cannot be written must not leave the key
    // that writing the first one created.
    appendKeyEntry(1, fmt::kRootLocalMachine, key);
    // Nothing is written under HKEY_CURRENT_USER: the entry is for the
    // uninstaller, which removes what the product keeps there.
    recordLogEntry(fmt::kLogRegistryKey, 1, fmt::kRootCurrentUser, key);
    writeRegistryString(HKEY_LOCAL_MACHINE, key, "InstallDir", installDir);
    writeRegistryString(HKEY_LOCAL_MACHINE, key, "Version", configText(texts.productVersion));
    // A package of several languages keeps the one this run spoke, for the
    // next run of a later version.
    const char* language = languageInUse();
    if (language[0] != '\0') writeRegistryString(HKEY_LOCAL_MACHINE, key, "Language", language);
}

void writeUninstallLog(const ExtractionState& product) {
    const fmt::SetupConfig& record = config();
    const fmt::TextSlots& texts = record.texts;
    char logPath[fmt::kMaxPath];
    if (!formatBounded(logPath, sizeof logPath, "%s%s", installDir,
                       configText(texts.uninstallLogName))) {
        // The file itself could not be made under that name: refused as such
        // before anything names it, quoting as much of the path as fits.
        copyBounded(currentPath, logPath);
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        raiseInstallError(kErrorCreateFile);
    }

    writeRegistryString(HKEY_LOCAL_MACHINE, configText(texts.registryKey), "UnInstallLog", logPath);
    if (record.settings.flags & fmt::kFlagUninstallEntry) writeSystemUninstallEntry(logPath, product);
    if (record.settings.flags & fmt::kFlagUninstallShortcut) {
        createProgramsShortcut(configText(texts.uninstallerName),
                               configText(texts.uninstallShortcutName), logPath);
    }
    // The digest goes where only administrators write, after the file: a
    // log that an edit changed no longer matches it (engine/log/log_digest.h).
    char digest[fmt::kSha256HexSize];
    writeUninstallLogFile(digest);
    writeRegistryString(HKEY_LOCAL_MACHINE, configText(texts.registryKey), kLogDigestValue, digest);
}

}  // namespace setup
