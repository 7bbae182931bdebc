#include "engine/undo/registry_backups.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/system_library.h"
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
char narrowNameBuffer[kNameChars];

// The registry calls in either form: the wide one on NT, exact for every
// name and text; the 8-bit one where the wide functions are stubs that do
// nothing (the 9x family), whose registry holds 8-bit texts anyway.
LONG openKey(HKEY root, const wchar_t* path, HKEY* key) { return RegOpenKeyExW(root, path, 0, KEY_READ, key); }
LONG openKey(HKEY root, const char* path, HKEY* key) { return RegOpenKeyExA(root, path, 0, KEY_READ, key); }
LONG createKey(HKEY root, const wchar_t* path, HKEY* key) {
    return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key, nullptr);
}
LONG createKey(HKEY root, const char* path, HKEY* key) {
    return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key, nullptr);
}
LONG enumValue(HKEY key, DWORD i, wchar_t* name, DWORD* chars, DWORD* type, DWORD* size) {
    return RegEnumValueW(key, i, name, chars, nullptr, type, nullptr, size);
}
LONG enumValue(HKEY key, DWORD i, char* name, DWORD* chars, DWORD* type, DWORD* size) {
    return RegEnumValueA(key, i, name, chars, nullptr, type, nullptr, size);
}
LONG enumKey(HKEY key, DWORD i, wchar_t* name, DWORD* chars) {
    return RegEnumKeyExW(key, i, name, chars, nullptr, nullptr, nullptr, nullptr);
}
LONG enumKey(HKEY key, DWORD i, char* name, DWORD* chars) {
    return RegEnumKeyExA(key, i, name, chars, nullptr, nullptr, nullptr, nullptr);
}
LONG queryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
    return RegQueryValueExW(key, name, nullptr, type, data, size);
}
LONG queryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    return RegQueryValueExA(key, name, nullptr, type, data, size);
}
LONG setValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
    return RegSetValueExW(key, name, 0, type, data, size);
}
LONG setValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    return RegSetValueExA(key, name, 0, type, data, size);
}
LONG deleteValue(HKEY key, const wchar_t* name) { return RegDeleteValueW(key, name); }
LONG deleteValue(HKEY key, const char* name) { return RegDeleteValueA(key, name); }

wchar_t* nameBufferOf(wchar_t*) { return nameBuffer; }
char* nameBufferOf(char*) { return narrowNameBuffer; }

template <typename Char>
std::size_t lengthOf(const Char* text) {
    return std::char_traits<Char>::length(text);
}

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
bool widen(const char* text, char* out, std::size_t chars) { return copyBounded(out, chars, text); }

// For the run's log only.
void narrow(const wchar_t* text, char (&out)[fmt::kMaxPath]) {
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr) == 0)
        copyBounded(out, "?");
}
void narrow(const char* text, char (&out)[fmt::kMaxPath]) {
    if (!copyBounded(out, text)) copyBounded(out, "?");
}

// Decided once per run: every record of a run is of the one form.
bool eightBitForm() {
    static const bool eightBit = [] {
        if (!reportsWindows9x()) return false;
        logRunLine("registry backups are kept through the 8-bit registry functions (Windows 9x)");
        return true;
    }();
    return eightBit;
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
template <typename Char>
bool saveKeyTree(std::uint32_t root, Char* path, int depth) {
    if (depth > kMaxSavedDepth) return false;
    HKEY key;
    if (openKey(registryRoot(root), path, &key) != ERROR_SUCCESS) return false;
    const std::size_t length = lengthOf(path);
    Char* name = nameBufferOf(path);
    bool saved = records.append(kKeySaved, {{&root, sizeof root}, {path, (length + 1) * sizeof(Char)}}) != nullptr;
    for (DWORD i = 0; saved; ++i) {
        DWORD nameChars = kNameChars;
        DWORD type = 0, size = 0;
        const LONG found = enumValue(key, i, name, &nameChars, &type, &size);
        if (found == ERROR_NO_MORE_ITEMS) break;
        const KeyValueHead head{type, size, static_cast<std::uint32_t>((nameChars + 1) * sizeof(Char))};
        BackupRecord* record =
            found != ERROR_SUCCESS
                ? nullptr
                : records.append(kKeyValue, {{&head, sizeof head}, {name, head.nameSize}, {nullptr, size}});
        DWORD got = size;
        saved = record != nullptr &&
                queryValue(key, name, &type, record->payload() + sizeof head + head.nameSize, &got) ==
                    ERROR_SUCCESS &&
                got == size;
    }
    for (DWORD i = 0; saved; ++i) {
        if (length + 2 >= kKeyPathChars) {
            saved = false;
            break;
        }
        path[length] = Char('\\');
        DWORD room = static_cast<DWORD>(kKeyPathChars - length - 1);
        const LONG found = enumKey(key, i, path + length + 1, &room);
        if (found == ERROR_NO_MORE_ITEMS) break;
        saved = found == ERROR_SUCCESS && saveKeyTree(root, path, depth + 1);
    }
    path[length] = Char('\0');
    RegCloseKey(key);
    return saved;
}

template <typename Char>
void restoreValue(const BackupRecord* record) {
    ValueBeforeHead head;
    std::memcpy(&head, record->payload(), sizeof head);
    const char* keyPath = reinterpret_cast<const char*>(record->payload() + sizeof head);
    const char* valueName = keyPath + head.pathSize;
    const BYTE* data = reinterpret_cast<const BYTE*>(valueName + head.nameSize);
    Char path[kKeyPathChars];
    Char* name = nameBufferOf(path);
    if (!widen(keyPath, path, kKeyPathChars) || !widen(valueName, name, kNameChars)) return;
    HKEY key;
    if (createKey(registryRoot(head.root), path, &key) != ERROR_SUCCESS) {
        logRunLine("the key %s\\%s cannot be opened to put back its value \"%s\"", rootName(head.root),
                   keyPath, valueName);
        return;
    }
    if (head.existed) {
        setValue(key, name, head.type, data, head.dataSize);
        logRunLine("put back the value \"%s\" of %s\\%s", valueName, rootName(head.root), keyPath);
    } else {
        deleteValue(key, name);
        logRunLine("deleted the value \"%s\" of %s\\%s, which was not there before", valueName,
                   rootName(head.root), keyPath);
    }
    RegCloseKey(key);
}

template <typename Char>
bool saveValue(std::uint32_t rootValue, const char* keyPath, HKEY key, const char* valueName) {
    Char* name = nameBufferOf(static_cast<Char*>(nullptr));
    if (!widen(valueName, name, kNameChars)) return false;
    ValueBeforeHead head{rootValue, 1, 0, 0, static_cast<std::uint32_t>(std::strlen(keyPath) + 1),
                         static_cast<std::uint32_t>(std::strlen(valueName) + 1)};
    DWORD type = 0, size = 0;
    const LONG asked = queryValue(key, name, &type, nullptr, &size);
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
        const LONG read =
            queryValue(key, name, &type, record->payload() + sizeof head + head.pathSize + head.nameSize, &got);
        if (read != ERROR_SUCCESS || got != head.dataSize || type != head.type) {
            records.truncate(mark);
            SetLastError(read != ERROR_SUCCESS ? static_cast<DWORD>(read) : ERROR_INVALID_DATA);
            return false;
        }
    }
    logRunLine("kept the value \"%s\" of %s\\%s before changing it", valueName, rootName(rootValue), keyPath);
    return true;
}

template <typename Char>
bool saveKey(std::uint32_t root, const char* keyPath) {
    Char path[kKeyPathChars];
    return widen(keyPath, path, kKeyPathChars) && saveKeyTree(root, path, 0);
}

// Makes every saved key again with its values, in the order they were saved.
template <typename Char>
void restoreKeys() {
    HKEY key = nullptr;
    for (const BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kKeySaved) {
            if (key != nullptr) RegCloseKey(key);
            key = nullptr;
            const std::uint32_t root = rootOf(record);
            const auto* path = reinterpret_cast<const Char*>(record->payload() + sizeof root);
            char shown[fmt::kMaxPath];
            narrow(path, shown);
            if (createKey(registryRoot(root), path, &key) == ERROR_SUCCESS) {
                logRunLine("made the key %s\\%s again", rootName(root), shown);
            } else {
                key = nullptr;
                logRunLine("the key %s\\%s cannot be made again", rootName(root), shown);
            }
        } else if (record->kind == kKeyValue && key != nullptr) {
            KeyValueHead head;
            std::memcpy(&head, record->payload(), sizeof head);
            const auto* name = reinterpret_cast<const Char*>(record->payload() + sizeof head);
            setValue(key, name, head.type, record->payload() + sizeof head + head.nameSize, head.dataSize);
        }
    }
    if (key != nullptr) RegCloseKey(key);
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
    return eightBitForm() ? saveValue<char>(rootValue, keyPath, key, valueName)
                          : saveValue<wchar_t>(rootValue, keyPath, key, valueName);
}

bool saveKeyBeforeRemoval(std::uint32_t root, const char* keyPath) {
    removalMark = records.mark();
    removalRoot = root;
    copyBounded(removalKey, keyPath);
    if (injectFault(FaultSite::saveKey)) return false;
    if (eightBitForm() ? saveKey<char>(root, keyPath) : saveKey<wchar_t>(root, keyPath)) return true;
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
        if (record->kind == kValueBefore) eightBitForm() ? restoreValue<char>(record) : restoreValue<wchar_t>(record);

    if (eightBitForm())
        restoreKeys<char>();
    else
        restoreKeys<wchar_t>();
    records.clear();
}

void discardRegistryBackups() { records.clear(); }

}  // namespace setup
