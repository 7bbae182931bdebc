// The process-wide configuration record: a reserved area that the loader
// fills from the package and whose 202 slots it turns into addresses.
#ifndef PACKAGE_SETUP_CONFIG_H
#define PACKAGE_SETUP_CONFIG_H

#include <cstdint>

#include "format/package_format.h"
#include "package/config_block.h"

namespace setup {

static_assert(sizeof(void*) == 4, "relocated slots hold 32-bit addresses");

// The reserved area followed by its guard; SetupConfig lies at its start.
extern std::uint8_t configArea[fmt::kConfigAreaSize + kConfigGuardSize];

inline fmt::SetupConfig& config() {
    return *reinterpret_cast<fmt::SetupConfig*>(configArea);
}

// The text a relocated slot designates. Before loading every slot is 0;
// callers check configLoaded first.
inline const char* configText(std::uint32_t slot) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slot));
}

template <typename Record>
Record* configRecord(std::uint32_t slot) {
    return reinterpret_cast<Record*>(static_cast<std::uintptr_t>(slot));
}

// Fills the area and its guard with zero bytes.
void clearSetupConfig();

// Reads the configuration block at PackageHeader.configOffset, checks and
// decompresses it into the area and relocates its slots, then sets
// configLoaded. Raises error code 1 (short read, bad magic, bad stream or
// no memory) or 8 (checksum) and returns only on success.
void loadSetupConfig();

}  // namespace setup

#endif
