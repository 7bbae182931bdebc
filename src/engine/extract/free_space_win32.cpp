#include "engine/extract/free_space.h"

#include <windows.h>

#include "engine/extract/extraction.h"
#include "engine/paths/drive_root.h"

namespace setup {

bool readFreeSpace(std::int64_t& available) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(driveRoot[0] != '\0' ? driveRoot : nullptr, &sectorsPerCluster,
                           &bytesPerSector, &freeClusters, &clusters)) {
        return false;
    }
    available = freeSpaceBytes(freeClusters, sectorsPerCluster, bytesPerSector);
    return true;
}

bool enoughDiskSpace(ExtractionState& selection) {
    getDriveRoot();
    computeSelectionTotals(selection);
    std::int64_t available = selection.totalUnpacked;
    readFreeSpace(available);
    return available >= static_cast<std::int64_t>(selection.totalUnpacked);
}

}  // namespace setup
