#include "uninstaller/removal/registration.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "engine/log/log_digest.h"
#include "engine/system/registry.h"
#include "uninstaller/removal/path_match.h"

namespace uninstaller {

namespace {

constexpr char kUninstallEntries[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kProductValues[] = {"InstallDir", "Version", "Language", "UnInstallLog", setup::kLogDigestValue};

// True when the key's "UnInstallLog" value names the log at `logPath`.
bool namesThisLog(const char* key, const char* logPath) {
    char value[fmt::kMaxPath];
    setup::readRegistryString(value, sizeof value, HKEY_LOCAL_MACHINE, key, "UnInstallLog", "");
    return value[0] != '\0' && sameFullPath(value, logPath);
}

bool isMissing(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

void removeProductValues(const char* key, RemovalReport& report) {
    HKEY opened;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &opened);
    if (isMissing(status)) return;  // went with the key
    for (const char* value : kProductValues) {
        if (status == ERROR_SUCCESS) {
            const LONG deleted = RegDeleteValueA(opened, value);
            if (deleted == ERROR_SUCCESS || isMissing(deleted)) continue;
        }
        char entry[2 * fmt::kMaxPath];
        setup::formatBounded(entry, sizeof entry, key[0] != '\0' ? "%s\\%s" : "%s%s", key, value);
        report.add(fmt::kLogRegistryKey, fmt::kRootLocalMachine, report.keepText(entry));
    }
    if (status == ERROR_SUCCESS) RegCloseKey(opened);
}

// Deletes an uninstall entry and whatever lies below it, never its parent.
bool deleteEntryTree(HKEY parent, const char* name, int depth) {
    if (depth > 16) return false;  // an entry is one key; a deep tree is not ours to walk
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    char child[256];
    DWORD length = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           deleteEntryTree(key, child, depth + 1)) {
        length = sizeof child;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

// The entries are walked from the first again after every deletion, which
// shifts the indexes; an entry that stays is stepped over.
void removeUninstallEntries(const char* program, const char* logPath, RemovalReport& report) {
    // Read access is enough to find the entry; deleting it asks for its own.
    HKEY entries;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallEntries, 0, KEY_READ, &entries) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;;) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(entries, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        char entryKey[fmt::kMaxPath + 64];
        char command[2 * fmt::kMaxPath + 8];
        setup::formatBounded(entryKey, sizeof entryKey, "%s\\%s", kUninstallEntries, name);
        setup::readRegistryString(command, sizeof command, HKEY_LOCAL_MACHINE, entryKey,
                                  "UninstallString", "");
        if (!matchesUninstallCommand(command, program, logPath)) {
            ++index;
        } else if (!deleteEntryTree(entries, name, 0)) {
            report.add(fmt::kLogRegistryKey, fmt::kRootLocalMachine, report.keepText(entryKey));
            ++index;
        }
    }
    RegCloseKey(entries);
}

}  // namespace

InstalledProduct findInstalledProduct(const fmt::u8* log, const char* logPath, setup::LogItem* items,
                                      std::size_t capacity) {
    InstalledProduct product;
    const std::size_t found = setup::collectLogEntries(log, fmt::kLogRegistryKey, items, capacity);
    for (std::size_t i = 0; i < found && !product.registered; ++i) {
        const setup::LogItem& item = items[i];
        if (item.flag != 1 || item.value != fmt::kRootLocalMachine) continue;
        if (namesThisLog(item.text, logPath)) {
            product.registered = setup::copyBounded(product.key, item.text);
        }
    }
    // A product without a key stores the log's path under the root itself.
    if (!product.registered && namesThisLog("", logPath)) product.registered = true;
    if (product.registered) {
        setup::readRegistryString(product.installFolder, sizeof product.installFolder,
                                  HKEY_LOCAL_MACHINE, product.key, "InstallDir", "");
    }
    if (product.installFolder[0] == '\0') {
        setup::copyBounded(product.installFolder, logPath);
        char* last = std::strrchr(product.installFolder, '\\');
        if (char* slash = std::strrchr(product.installFolder, '/'); slash != nullptr && slash > last)
            last = slash;
        if (last != nullptr) last[1] = '\0';
        else product.installFolder[0] = '\0';
    }
    return product;
}

void removeRegistration(const InstalledProduct& product, const char* program, const char* logPath,
                        RemovalReport& report) {
    if (product.registered) removeProductValues(product.key, report);
    removeUninstallEntries(program, logPath, report);
}

}  // namespace uninstaller
