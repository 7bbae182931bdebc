// Checking, decompressing and relocating the configuration record. Pure
// functions over the caller's buffers; the Win32 loader raises the errors.
#ifndef PACKAGE_CONFIG_BLOCK_H
#define PACKAGE_CONFIG_BLOCK_H

#include <cstdint>

#include "format/package_format.h"

namespace setup {

// True when the block header starts with the configuration magic.
bool hasConfigMagic(const fmt::ConfigBlockHeader& header);

enum class ConfigDecodeResult {
    kOk,
    kChecksumMismatch,  // crc32 of the packed bytes differs: error code 8
    kCorrupt,           // zlib refused the stream, or it is longer than the area: error code 1
};

// Checks the crc32 of packed (from 0) against expectedCrc before anything
// is decompressed, then decompresses into area with areaSize as the output
// capacity. Nothing is ever written beyond areaSize bytes.
ConfigDecodeResult decodeConfigRecord(const std::uint8_t* packed, std::uint32_t packedSize,
                                      std::uint32_t expectedCrc, std::uint8_t* area,
                                      std::uint32_t areaSize);

// Zero bytes kept behind the area: a slot bound to the area's end designates
// an empty text, a component without actions or a blank blob.
inline constexpr std::uint32_t kConfigGuardSize = 1024;
static_assert(kConfigGuardSize >= sizeof(fmt::Blob) && kConfigGuardSize >= sizeof(fmt::Component));

// A slot's target as an address: base + offset, with an offset beyond the
// area bound to its end (where the caller keeps zero bytes), so that a damaged
// slot designates an empty text instead of memory outside the record.
std::uint32_t relocatedSlot(std::uint32_t offset, std::uint32_t base, std::uint32_t areaSize);

// Relocates the 202 slots at the start of a record whose area begins at base.
void relocateSlots(std::uint32_t* slots, std::uint32_t base, std::uint32_t areaSize);

}  // namespace setup

#endif
