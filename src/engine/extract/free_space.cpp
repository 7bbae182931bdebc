#include "engine/extract/free_space.h"

#include <cstdint>

namespace setup {

std::int64_t freeSpaceBytes(std::uint32_t freeClusters, std::uint32_t sectorsPerCluster,
                            std::uint32_t bytesPerSector) {
    const std::uint64_t sectors = static_cast<std::uint64_t>(freeClusters) * sectorsPerCluster;
    const std::uint64_t largest = static_cast<std::uint64_t>(INT64_MAX);
    if (bytesPerSector != 0 && sectors > largest / bytesPerSector) return INT64_MAX;
    return static_cast<std::int64_t>(sectors * bytesPerSector);
}

}  // namespace setup
