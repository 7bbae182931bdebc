// Registry strings of the product and of the post-install actions.
#ifndef ENGINE_SYSTEM_REGISTRY_H
#define ENGINE_SYSTEM_REGISTRY_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "engine/system/registry_value.h"

namespace setup {

// The predefined root whose handle value the configuration stores
// (0x80000002 HKEY_LOCAL_MACHINE, 0x80000001 HKEY_CURRENT_USER).
HKEY registryRoot(std::uint32_t storedValue);

// Reads a REG_SZ or REG_EXPAND_SZ value (taken as stored) into dest of size
// bytes. A missing key or value, another type, a value that does not fit
// with its terminator, or any other failure leaves the default text instead.
void readRegistryString(char* dest, std::uint32_t size, HKEY root, const char* keyPath,
                        const char* valueName, const char* defaultText);

// Creates or opens the key with full access and sets a REG_SZ value with its
// terminator. Returns only on success; any failure raises error code 10.
void writeRegistryString(HKEY root, const char* keyPath, const char* valueName, const char* text);


// writeRegistryString for several values of one key, texts and numbers (or
// values to delete): the key is created or opened once, the values are set
// in order and the key is closed. The keys
// the write makes are noted, and in a key it does not make each value is
// kept before it changes (engine/undo/registry_backups.h); a value that cannot
// be kept is not written. Returns only on success; any failure raises
// error code 10.
void writeRegistryValues(HKEY root, const char* keyPath, const RegistryValue* values,
                         std::size_t count);

}  // namespace setup

#endif
