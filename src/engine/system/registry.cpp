#include "engine/system/registry.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "engine/failure/failure.h"
#include "engine/journal/run_journal.h"
#include "engine/undo/registry_backups.h"

namespace setup {

HKEY registryRoot(std::uint32_t storedValue) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(storedValue)));
}

namespace {

// True when the value read is a string that ends inside the buffer; a value
// stored without a terminator gets one when there is room for it.
bool readStringValue(HKEY key, const char* valueName, char* dest, std::uint32_t size) {
    DWORD type = 0;
    DWORD length = size;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type,
                                   reinterpret_cast<BYTE*>(dest), &length);
    if (status != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    if (length < size) {
        dest[length] = '\0';
        return true;
    }
    return std::memchr(dest, '\0', size) != nullptr;
}

}  // namespace

void readRegistryString(char* dest, std::uint32_t size, HKEY root, const char* keyPath,
                        const char* valueName, const char* defaultText) {
    if (size == 0) return;
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        bool found = readStringValue(key, valueName, dest, size);
        RegCloseKey(key);
        if (found) return;
    }
    copyBounded(dest, size, defaultText);
}

void writeRegistryString(HKEY root, const char* keyPath, const char* valueName, const char* text) {
    const RegistryValue value{valueName, text};
    writeRegistryValues(root, keyPath, &value, 1);
}

// The registry calls return their error instead of setting the thread's last
// error; it is set from their result so that the failure message quotes the
// registry's own reason.
void writeRegistryValues(HKEY root, const char* keyPath, const RegistryValue* values,
                         std::size_t count) {
    noteKeysBeforeWrite(root, keyPath);
    journalBackups();
    HKEY key;
    LONG status = injectFault(FaultSite::createKey)
                      ? ERROR_ACCESS_DENIED
                      : RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        raiseInstallError(kErrorRegistry);
    }
    // In a key the run did not make, each value is kept before it changes,
    // so that a rollback can give the key back as it was.
    const bool ownKey = keyMadeByRun(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root)), keyPath);
    for (std::size_t i = 0; i < count && status == ERROR_SUCCESS; ++i) {
        if (!ownKey && !saveValueBeforeWrite(root, keyPath, key, values[i].name)) {
            status = static_cast<LONG>(GetLastError());
            if (status == ERROR_SUCCESS) status = ERROR_NOT_ENOUGH_MEMORY;
            break;
        }
        if (!ownKey) journalBackups();
        const RegistryValue& value = values[i];
        const DWORD number = value.number;
        if (value.remove) {
            status = injectFault(FaultSite::setValue) ? ERROR_ACCESS_DENIED : RegDeleteValueA(key, value.name);
            if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
            continue;
        }
        status = injectFault(FaultSite::setValue) ? ERROR_ACCESS_DENIED
                 : value.text != nullptr
                     ? RegSetValueExA(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text),
                                      static_cast<DWORD>(std::strlen(value.text) + 1))
                     : RegSetValueExA(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                      sizeof number);
    }
    LONG closeStatus = RegCloseKey(key);
    if (closeStatus == ERROR_SUCCESS && injectFault(FaultSite::closeKey)) closeStatus = ERROR_WRITE_FAULT;
    if (status == ERROR_SUCCESS) status = closeStatus;
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        raiseInstallError(kErrorRegistry);
    }
}

}  // namespace setup
