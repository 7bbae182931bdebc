// The uninstall log of this run: the section inside the loaded configuration,
// to which every file, folder, shortcut and registry key is added the moment
// it is made.
#ifndef ENGINE_LOG_UNINSTALL_LOG_ENTRIES_H
#define ENGINE_LOG_UNINSTALL_LOG_ENTRIES_H

#include <cstdint>

namespace setup {

// Adds one entry to the in-memory log; a full log area drops it silently.
void appendLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text);

}  // namespace setup

#endif
