// Lays out the SetupConfig record of a description: the fixed part with its
// 202 slots, the uninstaller section in its shipped state, the scalar
// settings, and the data area (texts, pages, components, pictures).
#ifndef MKPACKAGE_CONFIG_RECORD_H
#define MKPACKAGE_CONFIG_RECORD_H

#include <vector>

#include "description/description.h"

namespace mkpackage {

struct ConfigRecord {
    std::vector<fmt::u8> bytes;
    std::vector<fmt::u32> componentOffsets;  // record offset of each Component
};

// Builds the record with zero component sums (filled in by setComponentTotals
// once the entries are written). Throws InputError when the record would be
// larger than the 787,426-byte area the setup program reserves for it.
ConfigRecord buildConfigRecord(const Description& description);

// Stores the position and sums of component `index`.
void setComponentTotals(ConfigRecord& record, std::size_t index, fmt::u32 firstEntryOffset, fmt::u32 unpackedSize,
                        fmt::u32 packedSize, fmt::u32 fileCount);

// Names the extension table at package-relative `offset` in the record's
// settings (ScalarSettings.extensionTable).
void setExtensionTable(ConfigRecord& record, fmt::u32 offset);

// The record compressed with zlib's one-call compression, as the
// configuration block carries it.
std::vector<fmt::u8> compressRecord(const std::vector<fmt::u8>& record);

}  // namespace mkpackage

#endif
