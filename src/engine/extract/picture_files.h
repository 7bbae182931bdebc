// The pictures stored in the configuration: each written to the temporary
// folder under its own name when a window first needs it, and deleted again
// when the process ends. The windows load them from there (ui/pictures.h).
#ifndef ENGINE_EXTRACT_PICTURE_FILES_H
#define ENGINE_EXTRACT_PICTURE_FILES_H

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

// Writes the blob's data into the temporary folder under Blob.fileName,
// notes the path in Blob.tempPath and returns it (blobTempPath), or nullptr
// when the file cannot be created. A failed write removes the file and
// raises error code 5, or, while the run is being undone, returns nullptr.
const char* writeBlobTempFile(std::uint32_t index);

// Deletes the temporary file of every written blob; failures are ignored.
void deleteTempFiles();

}  // namespace setup

#endif
