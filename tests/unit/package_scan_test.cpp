#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "format/package_format.h"
#include "package/package_scan.h"

using namespace setup;

namespace {

// A file in memory, read the way the program reads its own file.
class MemoryReader final : public ScanReader {
public:
    explicit MemoryReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::uint32_t read(void* buffer, std::uint32_t count) override {
        std::size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        std::uint32_t arrived = count < left ? count : static_cast<std::uint32_t>(left);
        std::memcpy(buffer, bytes_.data() + position_, arrived);
        position_ += arrived;
        bytesRead += arrived;
        return arrived;
    }
    void stepBack(std::uint32_t count) override { position_ -= count; }

    std::size_t bytesRead = 0;

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_ = 0;
};

void putPair(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t signature) {
    std::memcpy(file.data() + at, fmt::kPackageMagic, 4);
    std::memcpy(file.data() + at + 4, &signature, 4);
}

bool scan(const std::vector<std::uint8_t>& file, std::uint32_t& start) {
    MemoryReader reader(file);
    return scanForPackage(reader, static_cast<std::uint32_t>(file.size()), start);
}

}  // namespace

TEST(PackageScan, FindsAlignedPackage) {
    std::vector<std::uint8_t> file(100000, 0x90);
    putPair(file, 70000, fmt::kPackageSignature);
    std::uint32_t start = 0;
    ASSERT_TRUE(scan(file, start));
    EXPECT_EQ(start, 70000u);
}

TEST(PackageScan, UnalignedPackageIsNotFound) {
    std::vector<std::uint8_t> file(100000, 0);
    for (std::size_t offset : {70001u, 70002u, 70003u}) {
        std::vector<std::uint8_t> copy = file;
        putPair(copy, offset, fmt::kPackageSignature);
        std::uint32_t start = 0;
        EXPECT_FALSE(scan(copy, start)) << offset;
    }
}

TEST(PackageScan, PairStraddlingTwoStepsIsFound) {
    std::vector<std::uint8_t> file(3 * fmt::kScanStep, 0);
    putPair(file, fmt::kScanStep - 4, fmt::kPackageSignature);
    std::uint32_t start = 0;
    ASSERT_TRUE(scan(file, start));
    EXPECT_EQ(start, fmt::kScanStep - 4);
}

TEST(PackageScan, MagicWithOtherNumberIsPassedOver) {
    std::vector<std::uint8_t> file(80000, 0);
    putPair(file, 1000, 0xDEADBABFu);
    putPair(file, fmt::kScanStep - 4, 0x12345678u);
    putPair(file, 50000, fmt::kPackageSignature);
    std::uint32_t start = 0;
    ASSERT_TRUE(scan(file, start));
    EXPECT_EQ(start, 50000u);
}

TEST(PackageScan, FirstMatchWins) {
    std::vector<std::uint8_t> file(80000, 0);
    putPair(file, 40000, fmt::kPackageSignature);
    putPair(file, 60000, fmt::kPackageSignature);
    std::uint32_t start = 0;
    ASSERT_TRUE(scan(file, start));
    EXPECT_EQ(start, 40000u);
}

TEST(PackageScan, StopsReadingAtTheFirstMatch) {
    std::vector<std::uint8_t> file(10 * fmt::kScanStep, 0);
    putPair(file, 100, fmt::kPackageSignature);
    MemoryReader reader(file);
    std::uint32_t start = 0;
    ASSERT_TRUE(scanForPackage(reader, static_cast<std::uint32_t>(file.size()), start));
    EXPECT_EQ(reader.bytesRead, fmt::kScanStep + 4u);
}

TEST(PackageScan, EmptyOrShortFilesHaveNoPackage) {
    std::uint32_t start = 0;
    EXPECT_FALSE(scan({}, start));
    std::vector<std::uint8_t> magicOnly(4);
    std::memcpy(magicOnly.data(), fmt::kPackageMagic, 4);
    EXPECT_FALSE(scan(magicOnly, start));
}

TEST(PackageScan, HeaderInTheLastWordsIsFound) {
    // The signature word lies in the 4 bytes past the step's own n bytes.
    std::vector<std::uint8_t> file(1000, 0);
    putPair(file, 992, fmt::kPackageSignature);
    std::uint32_t start = 0;
    ASSERT_TRUE(scan(file, start));
    EXPECT_EQ(start, 992u);
}

TEST(PackageScan, StaleBytesOfAnEarlierStepDoNotMatch) {
    // A file that ends right after the magic: the word behind it must not be
    // taken from an earlier step's leftovers.
    std::vector<std::uint8_t> file(fmt::kScanStep + 8, 0);
    std::uint32_t signature = fmt::kPackageSignature;
    std::memcpy(file.data() + 8, &signature, 4);  // would sit behind the magic in the buffer
    std::memcpy(file.data() + fmt::kScanStep + 4, fmt::kPackageMagic, 4);
    std::uint32_t start = 0;
    EXPECT_FALSE(scan(file, start));
}
