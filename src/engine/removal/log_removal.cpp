#include "engine/removal/log_removal.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/file_size.h"
#include "engine/log/run_log.h"
#include "engine/paths/unfollowed_items.h"
#include "engine/removal/system_keys.h"
#include "engine/system/registry.h"

namespace setup {

namespace {

// Windows nests keys at most 512 levels deep; each level of the walk below
// costs one name buffer on the stack.
constexpr int kMaxKeyDepth = 512;
constexpr DWORD kKeyNameSize = 256;

bool isMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Deletes `name` below `parent` with every sub-key, deepest first.
bool deleteKeyTree(HKEY parent, const char* name, int depth) {
    if (depth > kMaxKeyDepth) return false;
    HKEY key;
    LONG opened = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key);
    if (opened != ERROR_SUCCESS) return isMissing(static_cast<DWORD>(opened));
    for (;;) {
        char child[kKeyNameSize];
        DWORD length = sizeof child;
        const LONG found = RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        // A sub-key that stays would be enumerated again: stop at the first.
        if (found != ERROR_SUCCESS || !deleteKeyTree(key, child, depth + 1)) {
            RegCloseKey(key);
            return false;
        }
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

// The number of sub-keys of an existing key, or -1 when it cannot be told.
long subKeyCount(HKEY root, const char* key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return -1;
    DWORD subKeys = 0;
    const LONG queried = RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subKeys, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (RegCloseKey(opened) != ERROR_SUCCESS || queried != ERROR_SUCCESS) return -1;
    return static_cast<long>(subKeys);
}

bool deleteKeyItself(HKEY root, const char* key, KeyScope scope) {
    switch (scope) {
    case KeyScope::asSystemAllows:
        return RegDeleteKeyA(root, key) == ERROR_SUCCESS;
    case KeyScope::withoutSubKeys:
        return subKeyCount(root, key) == 0 && RegDeleteKeyA(root, key) == ERROR_SUCCESS;
    case KeyScope::withEverythingBelow:
        return deleteKeyTree(root, key, 0);
    }
    return false;
}

// A link on the way is never followed: the item stays, and the run's log says why.
bool removalEnded(const char* path, ItemOutcome outcome) {
    if (outcome == ItemOutcome::link) logRunLine("%s is not removed: %s", path, outcomeText(outcome));
    return outcome == ItemOutcome::done || outcome == ItemOutcome::missing;
}

}  // namespace

LogFileRead readLogFile(const char* path, std::uint8_t* buffer, std::size_t& size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    size = 0;
    if (file == INVALID_HANDLE_VALUE) return LogFileRead::notFound;
    std::uint64_t length = 0;
    if (fileSize(file, length) && length <= kMaxLogFileSize) {
        DWORD got = 0;
        if (ReadFile(file, buffer, static_cast<DWORD>(length), &got, nullptr) && got == static_cast<DWORD>(length)) {
            size = got;
        }
    }
    CloseHandle(file);
    return size != 0 ? LogFileRead::ok : LogFileRead::corrupt;
}

bool removeLoggedFile(const char* path) {
    const bool deleted = removalEnded(path, removeFileUnfollowed(path));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA | SHCNF_FLUSH, path, nullptr);
    return deleted;
}

bool removeLoggedFolder(const char* path) {
    const bool removed = removalEnded(path, removeFolderUnfollowed(path));
    SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA | SHCNF_FLUSH, path, nullptr);
    return removed;
}

bool registryKeyExists(std::uint32_t root, const char* keyPath) {
    HKEY key;
    const LONG opened = RegOpenKeyExA(registryRoot(root), keyPath, 0, KEY_READ, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    // A key that cannot be read is still there.
    return !isMissing(static_cast<DWORD>(opened));
}

bool deleteRegistryKeyPath(std::uint32_t root, const char* keyPath, KeyRemoval how) {
    char key[fmt::kMaxPath];
    if (!copyBounded(key, keyPath)) return false;
    const HKEY rootKey = registryRoot(root);
    for (bool first = true;; first = false) {
        if (how.keepSystemKeys && isSystemRegistryKey(key)) break;
        const long subKeys = subKeyCount(rootKey, key);
        if (subKeys < 0 || (!first && subKeys != 0)) break;
        if (!first && how.parentsWithin != nullptr && !isOwnKey(root, key, *how.parentsWithin)) break;
        if (how.guard != nullptr && !how.guard->mayDelete(root, key)) break;
        const bool deleted =
            first ? deleteKeyItself(rootKey, key, how.scope) : RegDeleteKeyA(rootKey, key) == ERROR_SUCCESS;
        if (how.guard != nullptr) how.guard->deleteEnded(deleted);
        if (!deleted) break;
        char* parentEnd = std::strrchr(key, '\\');
        if (parentEnd == nullptr) break;
        *parentEnd = '\0';
    }
    return !registryKeyExists(root, keyPath);
}

bool removeLogEntry(const LogItem& item, KeyRemoval how) {
    switch (item.kind) {
    case fmt::kLogFile:
        return removeLoggedFile(item.text);
    case fmt::kLogFolder:
        return removeLoggedFolder(item.text);
    case fmt::kLogRegistryKey:
        return deleteRegistryKeyPath(item.value, item.text, how);
    default:
        return true;
    }
}

}  // namespace setup
