// Path macros: "$$" -> "$", "$(ExtrPath)" -> installDir, "$(BootDrive)" ->
// the boot drive letter. Inserted text is never scanned again.
#ifndef ENGINE_PATHS_EXPAND_PATH_H
#define ENGINE_PATHS_EXPAND_PATH_H

namespace setup {

inline constexpr unsigned kExpandRingSize = 8;
inline constexpr unsigned kExpandBufferSize = 512;

// Results rotate through eight buffers: a result stays intact until eight
// further expansions have been made. The first expansion uses buffer 1.
struct ExpandRing {
    char buffers[kExpandRingSize][kExpandBufferSize];
    unsigned index;
};

// Expands text into the next buffer of ring, with the given destination
// folder and boot drive. A result longer than 511 characters is cut there.
// Returns the terminated result; never fails.
const char* expandPathInto(ExpandRing& ring, const char* text, const char* destinationDir,
                           char drive);

// expandPathInto with the process-wide ring, installDir and bootDrive.
const char* expandPath(const char* text);

}  // namespace setup

#endif
