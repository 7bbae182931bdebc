#include "engine/system/product_registration.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure/failure.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/log/uninstall_log_file.h"
#include "engine/system/registry.h"
#include "engine/system/shortcuts.h"
#include "engine/undo/registry_backups.h"
#include "package/setup_config.h"

namespace setup {

namespace {

constexpr char kUninstallKeyFormat[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";

// The uninstaller path in quotation marks, a blank and the log path: room
// for two whole paths, so that no folder the destination page accepts cuts
// it. The system runs the entry's command line as it is; an unquoted path
// with blanks ("C:\Program Files\...") would first be tried as
// "C:\Program.exe", a program anyone able to write the drive's root could
// plant. The uninstaller takes the rest of its line as the log path, so
// that needs no quotes.
constexpr std::size_t kCommandLineSize = 2 * fmt::kMaxPath + 2;

// A registry text that would be cut is refused as a registry failure: a cut
// key would register the product under another name.
[[noreturn]] void raiseRegistryTextTooLong() {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    raiseInstallError(kErrorRegistry);
}

// The system uninstall entry this run wrote, empty until then. It is not in
// the uninstall log, so a rollback removes it by this name.
char writtenUninstallKey[fmt::kMaxPath];

void writeSystemUninstallEntry(const char* logPath) {
    const fmt::TextSlots& texts = config().texts;
    const char* displayName = configText(texts.uninstallDisplayName);
    char keyPath[fmt::kMaxPath];
    char commandLine[kCommandLineSize];
    if (!formatBounded(keyPath, sizeof keyPath, kUninstallKeyFormat, displayName) ||
        !formatBounded(commandLine, sizeof commandLine, "\"%s%s\" %s", installDir,
                       configText(texts.uninstallerName), logPath)) {
        raiseRegistryTextTooLong();
    }
    const RegistryValue values[] = {
        {"DisplayName", displayName},
        {"UninstallString", commandLine},
    };
    copyBounded(writtenUninstallKey, keyPath);  // before writing: a half-made key goes too
    writeRegistryValues(HKEY_LOCAL_MACHINE, keyPath, values, 2);
}

}  // namespace

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
    appendLogEntry(fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, key);
    // Nothing is written under HKEY_CURRENT_USER: the entry is for the
    // uninstaller, which removes what the product keeps there.
    recordLogEntry(fmt::kLogRegistryKey, 1, fmt::kRootCurrentUser, key);
    writeRegistryString(HKEY_LOCAL_MACHINE, key, "InstallDir", installDir);
    writeRegistryString(HKEY_LOCAL_MACHINE, key, "Version", configText(texts.productVersion));
}

void writeUninstallLog() {
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
    if (record.settings.flags & fmt::kFlagUninstallEntry) writeSystemUninstallEntry(logPath);
    if (record.settings.flags & fmt::kFlagUninstallShortcut) {
        createProgramsShortcut(configText(texts.uninstallerName),
                               configText(texts.uninstallShortcutName), logPath);
    }
    writeUninstallLogFile();
}

}  // namespace setup
