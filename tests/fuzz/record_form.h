// The configuration record in the form the fuzz targets take it, and the
// configuration block built around a record.
//
// A shipped record keeps its uninstall log area zero behind the uninstaller's
// texts: 258,048 of its bytes carry nothing. The compact form leaves them
// out, so that mutations land on the slots, settings, texts and records the
// readers walk, and seeds stay a few kilobytes.
#ifndef FUZZ_RECORD_FORM_H
#define FUZZ_RECORD_FORM_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "format/package_format.h"

namespace fuzzing {

using Bytes = std::vector<std::uint8_t>;

// The log area's first 4,096 bytes stay (the texts live there); the rest is left out.
inline constexpr std::size_t kElidedStart =
    fmt::kUninstallSectionOffset + sizeof(fmt::UninstallHeader) + 4096;
inline constexpr std::size_t kElidedSize = fmt::kLogAreaSize - 4096;

// The compact form of `record`; nothing when the left-out bytes are not all zero.
std::optional<Bytes> compactRecord(const Bytes& record);

// Fills `record` with the record a compact form stands for: zeros put back
// at kElidedStart (a form too short to reach that point is taken as it is).
// The targets keep their buffers from run to run: fresh allocations of a
// quarter megabyte would cost more than the reading under test.
void expandRecord(const std::uint8_t* compact, std::size_t size, Bytes& record);

// Fills `block` with the configuration block for `record`: header
// ("-DOOFUS-", sizes, crc32) and the record compressed at zlib `level` (0
// stores it, fast).
void configBlock(const Bytes& record, int level, Bytes& block);

}  // namespace fuzzing

#endif
