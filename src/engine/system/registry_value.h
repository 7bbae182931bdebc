// One registry value to write, as the registry writer takes it
// (engine/system/registry.h). Pure, so that the rules that choose values
// can be tested natively.
#ifndef ENGINE_SYSTEM_REGISTRY_VALUE_H
#define ENGINE_SYSTEM_REGISTRY_VALUE_H

#include <cstdint>

namespace setup {

// A REG_SZ text, or a REG_DWORD number when `text` is nullptr; with
// `remove`, the value is deleted instead (a value that is not there is fine).
struct RegistryValue {
    const char* name;
    const char* text;
    std::uint32_t number = 0;
    bool remove = false;
};

}  // namespace setup

#endif
