// What one extraction run extracts, where to, which texts its progress
// window shows, whether to replace without asking, and the selection totals.
// The texts point into the configuration record and are not owned.
#ifndef ENGINE_EXTRACT_EXTRACTION_STATE_H
#define ENGINE_EXTRACT_EXTRACTION_STATE_H

#include <cstdint>

namespace setup {

struct ExtractionState {
    std::uint32_t selectionMask;   // bit i: component i is extracted
    bool replaceAll;               // replace existing files without asking
    const char* destDir;           // ends with a backslash
    const char* title;             // progress window caption
    const char* groupFormat;       // "%s" = component name
    const char* fileFormat;        // "%s" = entry name
    std::int32_t totalPacked;
    std::int32_t donePacked;
    std::uint32_t totalUnpacked;
    bool skipFile;                 // the current entry is being skipped
    std::uint64_t installedBytes;  // of the files the run made, skipped ones left out
};

}  // namespace setup

#endif
