#include "package/config_block.h"

#include <cstring>

#include <zlib.h>

namespace setup {

bool hasConfigMagic(const fmt::ConfigBlockHeader& header) {
    return std::memcmp(header.magic, fmt::kConfigMagic, sizeof fmt::kConfigMagic) == 0;
}

ConfigDecodeResult decodeConfigRecord(const std::uint8_t* packed, std::uint32_t packedSize,
                                      std::uint32_t expectedCrc, std::uint8_t* area,
                                      std::uint32_t areaSize) {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, packed, packedSize);
    if (static_cast<std::uint32_t>(crc) != expectedCrc) return ConfigDecodeResult::kChecksumMismatch;

    // The capacity is the whole area, whatever the block header claims; a
    // stream that would run past it ends as Z_BUF_ERROR with nothing written
    // beyond the area.
    uLongf capacity = areaSize;
    int result = uncompress(area, &capacity, packed, packedSize);
    return result == Z_OK ? ConfigDecodeResult::kOk : ConfigDecodeResult::kCorrupt;
}

std::uint32_t relocatedSlot(std::uint32_t offset, std::uint32_t base, std::uint32_t areaSize) {
    if (offset > areaSize) offset = areaSize;
    return base + offset;
}

void relocateSlots(std::uint32_t* slots, std::uint32_t base, std::uint32_t areaSize) {
    for (std::uint32_t i = 0; i < fmt::kSlotCount; ++i) {
        slots[i] = relocatedSlot(slots[i], base, areaSize);
    }
}

}  // namespace setup
