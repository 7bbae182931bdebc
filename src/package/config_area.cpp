// The configuration record's area on its own, so that a program that only
// fills it (the uninstaller's undo of a killed setup) does not take the
// loader with it.
#include <cstring>

#include "package/setup_config.h"

namespace setup {

alignas(16) std::uint8_t configArea[fmt::kConfigAreaSize + kConfigGuardSize];

void clearSetupConfig() { std::memset(configArea, 0, sizeof configArea); }

}  // namespace setup
