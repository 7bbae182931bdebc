#include "engine/undo/registry_backups.h"

#include <cstring>
#include <cwchar>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "engine/log/run_log.h"
#include "engine/paths/path_rules.h"
#include "engine/system/registry.h"
#include "engine/undo/backup_records.h"
#include "format/package_format.h"

namespace setup {

namespace {

enum RegistryRecordKind : std::uint8_t {
    kKeyMade = 1,      // root, then the key path as the run wrote it
    kValueBefore = 2,  // ValueBeforeHead, key path, value name, the earlier data
    kKeySaved = 3,     // root, then the wide key path; its kKeyValue records follow
    kKeyValue = 4,     // KeyValueHead, wide name, data: a value of the kKeySaved before it
};

struct ValueBeforeHead {
    std::uint32_t root;
    std::uint32_t existed;   // 0: the run adds the value; a rollback deletes it
    std::uint32_t type;
    std::uint32_t dataSize;
    std::uint32_t pathSize;  // bytes, terminator included
    std::uint32_t nameSize;
};

struct KeyValueHead {
    std::uint32_t type;
    std::uint32_t dataSize;
    std::uint32_t nameSize;  // bytes, terminator included
};

// Saved values hold whatever data they have: the room is bounded, and a
// key that does not fit stays where it is instead of being removed.
alignas(8) std::uint8_t recordBytes[1024 * 1024];
BackupRecords records(recordBytes, sizeof recordBytes, 2);  // the journal's registry channel
// The key a removal is about to delete, kept since removalMark.
std::size_t removalMark;
std::uint32_t removalRoot;
char removalKey[fmt::kMaxPath];

// Value names are at most 16,383 characters; key paths this program saves
// at most 511, a level at most 255.
constexpr DWORD kNameChars = 16384;
constexpr std::size_t kKeyPathChars = 512;
// Keys nest at most this deep below a saved key.
constexpr int kMaxSavedDepth = 64;

wchar_t nameBuffer[kNameChars];

std::uint32_t storedRoot(HKEY root) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root));
}

const char* rootName(std::uint32_t root) {
    switch (root) {
    case fmt::kRootCurrentUser: return "HKEY_CURRENT_USER";
    case fmt::kRootLocalMachine: return "HKEY_LOCAL_MACHINE";
    default: return "HKEY";
    }
}

bool widen(const char* text, wchar_t* out, std::size_t chars) {
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, static_cast<int>(chars)) > 0;
}

// For the run's log only.
void narrow(const wchar_t* text, char (&out)[fmt::kMaxPath]) {
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr) == 0)
        copyBounded(out, "?");
}

bool isMissing(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

// A key that cannot be opened for another reason than being missing exists.
bool keyExists(HKEY root, const char* keyPath) {
    HKEY key;
    const LONG opened = RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    return !isMissing(opened);
}

std::uint32_t rootOf(const BackupRecord* record) {
    std::uint32_t root;
    std::memcpy(&root, record->payload(), sizeof root);
    return root;
}

// The key with every value and sub-key, below the records already there;
// `path` is a buffer of kKeyPathChars that deeper levels extend and give back.
bool saveKeyTree(std::uint32_t root, wchar_t* path, int depth) {
    if (depth > kMaxSavedDepth) return false;
    HKEY key;
    if (RegOpenKeyExW(registryRoot(root), path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const std::size_t length = std::wcslen(path);
    bool saved = records.append(kKeySaved, {{&root, sizeof root}, {path, (length + 1) * sizeof(wchar_t)}}) != nullptr;
    for (DWORD i = 0; saved; ++i) {
        DWORD nameChars = kNameChars;
        DWORD type = 0, size = 0;
        const LONG found = RegEnumValueW(key, i, nameBuffer, &nameChars, nullptr, &type, nullptr, &size);
        if (found == ERROR_NO_MORE_ITEMS) break;
        const KeyValueHead head{type, size, static_cast<std::uint32_t>((nameChars + 1) * sizeof(wchar_t))};
        BackupRecord* record =
            found != ERROR_SUCCESS
                ? nullptr
                : records.append(kKeyValue, {{&head, sizeof head}, {nameBuffer, head.nameSize}, {nullptr, size}});
        DWORD got = size;
        saved = record != nullptr &&
                RegQueryValueExW(key, nameBuffer, nullptr, &type,
                                 record->payload() + sizeof head + head.nameSize, &got) == ERROR_SUCCESS &&
                got == size;
    }
    for (DWORD i = 0; saved; ++i) {
        if (length + 2 >= kKeyPathChars) {
            saved = false;
            break;
        }
        path[length] = L'\\';
        DWORD room = static_cast<DWORD>(kKeyPathChars - length - 1);
        const LONG found = RegEnumKeyExW(key, i, path + length + 1, &room, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        saved = found == ERROR_SUCCESS && saveKeyTree(root, path, depth + 1);
    }
    path[length] = L'\0';
    RegCloseKey(key);
    return saved;
}

void restoreValue(const BackupRecord* record) {
    ValueBeforeHead head;
    std::memcpy(&head, record->payload(), sizeof head);
    const char* keyPath = reinterpret_cast<const char*>(record->payload() + sizeof head);
    const char* valueName = keyPath + head.pathSize;
    const BYTE* data = reinterpret_cast<const BYTE*>(valueName + head.nameSize);
    wchar_t widePath[kKeyPathChars];
    if (!widen(keyPath, widePath, kKeyPathChars) || !widen(valueName, nameBuffer, kNameChars)) return;
    HKEY key;
    if (RegCreateKeyExW(registryRoot(head.root), widePath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        logRunLine("the key %s\\%s cannot be opened to put back its value \"%s\"", rootName(head.root),
                   keyPath, valueName);
        return;
    }
    if (head.existed) {
        RegSetValueExW(key, nameBuffer, 0, head.type, data, head.dataSize);
        logRunLine("put back the value \"%s\" of %s\\%s", valueName, rootName(head.root), keyPath);
    } else {
        RegDeleteValueW(key, nameBuffer);
        logRunLine("deleted the value \"%s\" of %s\\%s, which was not there before", valueName,
                   rootName(head.root), keyPath);
    }
    RegCloseKey(key);
}

}  // namespace

void noteKeysBeforeWrite(HKEY root, const char* keyPath) {
    // A path that does not fit is not listed: the rollback then leaves the key.
    char level[fmt::kMaxPath];
    if (!copyBounded(level, keyPath)) return;
    const std::uint32_t rootValue = storedRoot(root);
    while (level[0] != '\0' && !keyExists(root, level)) {
        if (!keyMadeByRun(rootValue, level))
            records.append(kKeyMade, {{&rootValue, sizeof rootValue}, {level, std::strlen(level) + 1}});
        char* parentEnd = std::strrchr(level, '\\');
        if (parentEnd == nullptr) break;
        *parentEnd = '\0';
    }
}

bool keyMadeByRun(std::uint32_t root, const char* keyPath) {
    for (const BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kKeyMade && rootOf(record) == root &&
            samePlace(reinterpret_cast<const char*>(record->payload() + sizeof root), keyPath))
            return true;
    }
    return false;
}

bool saveValueBeforeWrite(HKEY root, const char* keyPath, HKEY key, const char* valueName) {
    const std::uint32_t rootValue = storedRoot(root);
    for (const BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind != kValueBefore) continue;
        ValueBeforeHead head;
        std::memcpy(&head, record->payload(), sizeof head);
        const char* savedPath = reinterpret_cast<const char*>(record->payload() + sizeof head);
        // Kept once: the first write's earlier state is the one to give back.
        if (head.root == rootValue && samePlace(savedPath, keyPath) &&
            samePlace(savedPath + head.pathSize, valueName))
            return true;
    }
    if (injectFault(FaultSite::saveValue)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!widen(valueName, nameBuffer, kNameChars)) return false;
    ValueBeforeHead head{rootValue, 1, 0, 0, static_cast<std::uint32_t>(std::strlen(keyPath) + 1),
                         static_cast<std::uint32_t>(std::strlen(valueName) + 1)};
    DWORD type = 0, size = 0;
    const LONG asked = RegQueryValueExW(key, nameBuffer, nullptr, &type, nullptr, &size);
    head.type = type;
    head.dataSize = size;
    if (isMissing(asked)) {
        head.existed = 0;
        head.type = 0;
        head.dataSize = 0;
    } else if (asked != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(asked));
        return false;
    }
    const std::size_t mark = records.mark();
    BackupRecord* record = records.append(
        kValueBefore, {{&head, sizeof head}, {keyPath, head.pathSize}, {valueName, head.nameSize}, {nullptr, head.dataSize}});
    if (record == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (head.existed) {
        DWORD got = head.dataSize;
        const LONG read = RegQueryValueExW(key, nameBuffer, nullptr, &type,
                                           record->payload() + sizeof head + head.pathSize + head.nameSize, &got);
        if (read != ERROR_SUCCESS || got != head.dataSize || type != head.type) {
            records.truncate(mark);
            SetLastError(read != ERROR_SUCCESS ? static_cast<DWORD>(read) : ERROR_INVALID_DATA);
            return false;
        }
    }
    logRunLine("kept the value \"%s\" of %s\\%s before changing it", valueName, rootName(rootValue), keyPath);
    return true;
}

bool saveKeyBeforeRemoval(std::uint32_t root, const char* keyPath) {
    removalMark = records.mark();
    removalRoot = root;
    copyBounded(removalKey, keyPath);
    if (injectFault(FaultSite::saveKey)) return false;
    wchar_t path[kKeyPathChars];
    if (!widen(keyPath, path, kKeyPathChars)) return false;
    if (saveKeyTree(root, path, 0)) return true;
    records.truncate(removalMark);
    logRunLine("the key %s\\%s cannot be saved whole: it stays", rootName(root), keyPath);
    return false;
}

void keyRemovalEnded(bool deleted) {
    if (deleted)
        logRunLine("saved the key %s\\%s before removing it", rootName(removalRoot), removalKey);
    else
        records.truncate(removalMark);
}

void restoreRegistryBackups() {
    for (const BackupRecord* record = records.first(); record != nullptr; record = records.next(record))
        if (record->kind == kValueBefore) restoreValue(record);

    HKEY key = nullptr;
    for (const BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kKeySaved) {
            if (key != nullptr) RegCloseKey(key);
            key = nullptr;
            const std::uint32_t root = rootOf(record);
            const auto* path = reinterpret_cast<const wchar_t*>(record->payload() + sizeof root);
            char shown[fmt::kMaxPath];
            narrow(path, shown);
            if (RegCreateKeyExW(registryRoot(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
                logRunLine("made the key %s\\%s again", rootName(root), shown);
            } else {
                key = nullptr;
                logRunLine("the key %s\\%s cannot be made again", rootName(root), shown);
            }
        } else if (record->kind == kKeyValue && key != nullptr) {
            KeyValueHead head;
            std::memcpy(&head, record->payload(), sizeof head);
            const auto* name = reinterpret_cast<const wchar_t*>(record->payload() + sizeof head);
            RegSetValueExW(key, name, 0, head.type, record->payload() + sizeof head + head.nameSize,
                           head.dataSize);
        }
    }
    if (key != nullptr) RegCloseKey(key);
    records.clear();
}

void discardRegistryBackups() { records.clear(); }

}  // namespace setup
