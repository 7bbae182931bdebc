#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <zlib.h>

#include "format/package_format.h"
#include "package/config_block.h"

using namespace setup;

namespace {

std::vector<std::uint8_t> compressed(const std::vector<std::uint8_t>& record) {
    uLongf size = compressBound(static_cast<uLong>(record.size()));
    std::vector<std::uint8_t> packed(size);
    EXPECT_EQ(compress(packed.data(), &size, record.data(), static_cast<uLong>(record.size())), Z_OK);
    packed.resize(size);
    return packed;
}

std::uint32_t crcOf(const std::vector<std::uint8_t>& bytes) {
    return static_cast<std::uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::vector<std::uint8_t> patternRecord(std::size_t size) {
    std::vector<std::uint8_t> record(size);
    for (std::size_t i = 0; i < size; ++i) record[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    return record;
}

// The area followed by a guard that must never be touched.
struct Area {
    static constexpr std::size_t kGuard = 64;
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(fmt::kConfigAreaSize + kGuard, 0xA5);

    ConfigDecodeResult decode(const std::vector<std::uint8_t>& packed, std::uint32_t crc) {
        return decodeConfigRecord(packed.data(), static_cast<std::uint32_t>(packed.size()), crc,
                                  bytes.data(), fmt::kConfigAreaSize);
    }
    bool guardIntact() const {
        for (std::size_t i = fmt::kConfigAreaSize; i < bytes.size(); ++i)
            if (bytes[i] != 0xA5) return false;
        return true;
    }
};

}  // namespace

TEST(ConfigBlock, MagicIsChecked) {
    fmt::ConfigBlockHeader header{};
    std::memcpy(header.magic, "-DOOFUS-", 8);
    EXPECT_TRUE(hasConfigMagic(header));
    header.magic[7] = '_';
    EXPECT_FALSE(hasConfigMagic(header));
}

TEST(ConfigBlock, RecordOfExactlyTheAreaSizeLoads) {
    std::vector<std::uint8_t> record = patternRecord(fmt::kConfigAreaSize);
    std::vector<std::uint8_t> packed = compressed(record);
    Area area;
    ASSERT_EQ(area.decode(packed, crcOf(packed)), ConfigDecodeResult::kOk);
    EXPECT_EQ(std::memcmp(area.bytes.data(), record.data(), record.size()), 0);
    EXPECT_TRUE(area.guardIntact());
}

TEST(ConfigBlock, RecordOneByteLongerIsCorruptAndStaysInsideTheArea) {
    std::vector<std::uint8_t> packed = compressed(patternRecord(fmt::kConfigAreaSize + 1));
    Area area;
    EXPECT_EQ(area.decode(packed, crcOf(packed)), ConfigDecodeResult::kCorrupt);
    EXPECT_TRUE(area.guardIntact());
}

TEST(ConfigBlock, FlippedBitIsAChecksumErrorBeforeDecompressing) {
    std::vector<std::uint8_t> packed = compressed(patternRecord(5000));
    std::uint32_t crc = crcOf(packed);
    packed[packed.size() / 2] ^= 0x10;
    Area area;
    EXPECT_EQ(area.decode(packed, crc), ConfigDecodeResult::kChecksumMismatch);
    EXPECT_EQ(area.bytes[0], 0xA5);  // nothing decompressed
}

TEST(ConfigBlock, SoundChecksumOverABadStreamIsCorrupt) {
    std::vector<std::uint8_t> garbage(300, 0x5A);
    Area area;
    EXPECT_EQ(area.decode(garbage, crcOf(garbage)), ConfigDecodeResult::kCorrupt);
    std::vector<std::uint8_t> truncated = compressed(patternRecord(5000));
    truncated.resize(truncated.size() / 2);
    EXPECT_EQ(area.decode(truncated, crcOf(truncated)), ConfigDecodeResult::kCorrupt);
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(area.decode(empty, 0), ConfigDecodeResult::kCorrupt);
    EXPECT_TRUE(area.guardIntact());
}

TEST(ConfigBlock, SlotsBecomeAddressesBoundToTheArea) {
    EXPECT_EQ(relocatedSlot(0x403E2, 0x10000000u, fmt::kConfigAreaSize), 0x100403E2u);
    EXPECT_EQ(relocatedSlot(fmt::kConfigAreaSize, 0x10000000u, fmt::kConfigAreaSize),
              0x10000000u + fmt::kConfigAreaSize);
    EXPECT_EQ(relocatedSlot(0xFFFFFFF0u, 0x10000000u, fmt::kConfigAreaSize),
              0x10000000u + fmt::kConfigAreaSize);

    std::vector<std::uint32_t> slots(fmt::kSlotCount + 1, 0x403E2);
    slots[fmt::kSlotCount] = 77;  // the word after the slot table stays as it is
    relocateSlots(slots.data(), 0x20000000u, fmt::kConfigAreaSize);
    for (std::uint32_t i = 0; i < fmt::kSlotCount; ++i) EXPECT_EQ(slots[i], 0x200403E2u) << i;
    EXPECT_EQ(slots[fmt::kSlotCount], 77u);
}
