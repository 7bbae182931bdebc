#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "format/package_format.h"
#include "test_support.h"

// The program scans its own file for the package: its image must not hold
// the magic text followed by the signature at any offset, or every installer
// would find its own code instead of its package.
TEST(ProgramImage, HoldsNoPackageMagicPair) {
    std::vector<std::uint8_t> image = testing_support::readWholeFile(SETUP_PROGRAM_PATH);
    ASSERT_GT(image.size(), 4096u) << SETUP_PROGRAM_PATH;
    EXPECT_EQ(image.size() % 4, 0u) << "the package must start 4-aligned behind the image";
    unsigned char pair[8];
    std::memcpy(pair, fmt::kPackageMagic, 4);
    std::uint32_t signature = fmt::kPackageSignature;
    std::memcpy(pair + 4, &signature, 4);
    for (std::size_t i = 0; i + 8 <= image.size(); ++i) {
        ASSERT_NE(std::memcmp(image.data() + i, pair, 8), 0) << "pair at offset " << i;
    }
}
