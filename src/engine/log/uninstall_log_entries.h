// The uninstall log of this run: the section inside the loaded configuration,
// to which every file, folder, shortcut and registry key is added the moment
// it is made.
#ifndef ENGINE_LOG_UNINSTALL_LOG_ENTRIES_H
#define ENGINE_LOG_UNINSTALL_LOG_ENTRIES_H

#include <cstdint>

namespace setup {

// Adds one entry to the in-memory log for what the run made; a full log
// area drops it, as the run's log says.
void appendLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text);

// A registry key the run is about to write (`root`: the stored handle
// value): first each of its parents that is missing now, deepest first, with
// flag 2 (kLogFlagMadeParent), so that a removal may take the parents this
// run made and no other; then the key itself with `flag`.
void appendKeyEntry(std::uint8_t flag, std::uint32_t root, const char* key);

// The same for what the run did not make but records for the uninstaller
// (a file or key the product makes as it runs, the product's key under
// HKEY_CURRENT_USER): the run's log says that it is recorded, not made.
void recordLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text);

}  // namespace setup

#endif
