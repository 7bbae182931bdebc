#include "record_form.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace fuzzing {

std::optional<Bytes> compactRecord(const Bytes& record) {
    if (record.size() < kElidedStart + kElidedSize) return std::nullopt;
    const auto elided = record.begin() + kElidedStart;
    if (std::any_of(elided, elided + kElidedSize, [](std::uint8_t b) { return b != 0; })) return std::nullopt;
    Bytes compact(record.begin(), elided);
    compact.insert(compact.end(), elided + kElidedSize, record.end());
    return compact;
}

void expandRecord(const std::uint8_t* compact, std::size_t size, Bytes& record) {
    if (size < kElidedStart) {
        record.assign(compact, compact + size);
        return;
    }
    record.assign(compact, compact + kElidedStart);
    record.resize(kElidedStart + kElidedSize, 0);
    record.insert(record.end(), compact + kElidedStart, compact + size);
}

void configBlock(const Bytes& record, int level, Bytes& block) {
    uLongf packedSize = compressBound(static_cast<uLong>(record.size()));
    block.resize(sizeof(fmt::ConfigBlockHeader) + packedSize);
    std::uint8_t* packed = block.data() + sizeof(fmt::ConfigBlockHeader);
    compress2(packed, &packedSize, record.data(), static_cast<uLong>(record.size()), level);
    block.resize(sizeof(fmt::ConfigBlockHeader) + packedSize);

    fmt::ConfigBlockHeader header{};
    std::memcpy(header.magic, fmt::kConfigMagic, sizeof header.magic);
    header.unpackedSize = static_cast<fmt::u32>(record.size());
    header.packedSize = static_cast<fmt::u32>(packedSize);
    header.crc = static_cast<fmt::u32>(crc32(0, packed, static_cast<uInt>(packedSize)));
    std::memcpy(block.data(), &header, sizeof header);
}

}  // namespace fuzzing
