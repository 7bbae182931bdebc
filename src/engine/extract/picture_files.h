// The pictures stored in the configuration: written to the temporary folder
// when a window first needs them and loaded from there.
#ifndef ENGINE_EXTRACT_PICTURE_FILES_H
#define ENGINE_EXTRACT_PICTURE_FILES_H

#include <windows.h>

#include <cstdint>

#include "format/package_format.h"

namespace setup {

// Path of the temporary file last written.
extern char blobTempPath[fmt::kMaxPath];

// The blob record at `index`, or nullptr when the index is not below
// SetupConfig.blobCount or the record would reach beyond the loaded area.
fmt::Blob* blobRecord(std::uint32_t index);

// The blob that ImageIndexTable entry `entry` names, or an index no blob has.
std::uint32_t imageIndex(fmt::ImageIndex entry);

// Writes the blob's data into the temporary folder under Blob.fileName and
// returns the path (blobTempPath), or nullptr when the file cannot be
// created. A failed write removes the file and raises error code 5, or,
// while the run is being undone, returns nullptr.
const char* writeBlobTempFile(std::uint32_t index);

// The blob's image as `type` (IMAGE_BITMAP or IMAGE_ICON), loaded once and
// kept for the process; nullptr when it cannot be written or loaded.
HANDLE loadBlobImage(std::uint32_t index, UINT type);

}  // namespace setup

#endif
