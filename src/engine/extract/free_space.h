// Whether the selection fits the destination drive. The backups of a run
// take no space: a file the run replaces, or a previous installation's file
// it removes, is renamed into a folder on its own volume
// (engine/undo/backup_place.h), never copied. It keeps its space until the
// run has succeeded, so the new files need all of theirs: the required
// figure is the whole unpacked size of the selection against the free space
// as it is, with every earlier file still counted as taken.
#ifndef ENGINE_EXTRACT_FREE_SPACE_H
#define ENGINE_EXTRACT_FREE_SPACE_H

#include <cstdint>

#include "engine/extract/extraction_state.h"

namespace setup {

// The free space that the disk reports as clusters, sectors per cluster and
// bytes per sector, multiplied in 64 bits (saturated at the largest count).
std::int64_t freeSpaceBytes(std::uint32_t freeClusters, std::uint32_t sectorsPerCluster,
                            std::uint32_t bytesPerSector);

// The free space of driveRoot's drive (engine/paths/drive_root.h); false
// when it cannot be read. An empty root (a relative folder) asks about the
// current folder's drive (Win32, as the next).
bool readFreeSpace(std::int64_t& available);

// True when the selection fits the drive of installDir or its free space
// cannot be read; refreshes driveRoot and the selection's totals.
bool enoughDiskSpace(ExtractionState& selection);

}  // namespace setup

#endif
