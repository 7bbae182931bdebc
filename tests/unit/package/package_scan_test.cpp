#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "format/certificate_table.h"
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

// ---- signed files: the certificate table behind the package ----------------

namespace {

constexpr std::uint32_t kPeOffset = 0x80;
constexpr std::uint32_t kSecurityEntry = kPeOffset + 24 + 96 + 4 * 8;  // PE32, data directory 4

// A program file with image headers (PE32, 16 data directories), the
// package magic pair at `packageAt` and `tail` bytes of a certificate table
// (all 0xC5) at the next multiple of 8 behind `packageEnd`; the security
// entry names it unless changed afterwards.
std::vector<std::uint8_t> signedFile(std::uint32_t packageAt, std::uint32_t packageEnd, std::uint32_t tail) {
    const std::uint32_t table = (packageEnd + 7) / 8 * 8;
    std::vector<std::uint8_t> file(table + tail, 0);
    file[0] = 'M';
    file[1] = 'Z';
    std::memcpy(&file[0x3C], &kPeOffset, 4);
    std::memcpy(&file[kPeOffset], "PE\0\0", 4);
    const std::uint16_t optionalSize = 224, magic = 0x10B;
    std::memcpy(&file[kPeOffset + 4 + 16], &optionalSize, 2);
    std::memcpy(&file[kPeOffset + 24], &magic, 2);
    const std::uint32_t directories = 16;
    std::memcpy(&file[kPeOffset + 24 + 92], &directories, 4);
    std::memcpy(&file[kSecurityEntry], &table, 4);
    std::memcpy(&file[kSecurityEntry + 4], &tail, 4);
    std::memset(&file[table], 0xC5, tail);
    putPair(file, packageAt, fmt::kPackageSignature);
    return file;
}

void setSecurityEntry(std::vector<std::uint8_t>& file, std::uint32_t offset, std::uint32_t size) {
    std::memcpy(&file[kSecurityEntry], &offset, 4);
    std::memcpy(&file[kSecurityEntry + 4], &size, 4);
}

// Reads like MemoryReader and remembers the furthest byte it handed out.
class FurthestReader final : public ScanReader {
public:
    explicit FurthestReader(const std::vector<std::uint8_t>& bytes) : inner_(bytes) {}
    std::uint32_t read(void* buffer, std::uint32_t count) override {
        const std::uint32_t n = inner_.read(buffer, count);
        position_ += n;
        if (position_ > furthest) furthest = position_;
        return n;
    }
    void stepBack(std::uint32_t count) override {
        inner_.stepBack(count);
        position_ -= count;
    }
    std::size_t furthest = 0;

private:
    MemoryReader inner_;
    std::size_t position_ = 0;
};

}  // namespace

TEST(PackageScan, CertificateTableEndsThePackageArea) {
    const std::uint32_t kPackage = 40000, kEnd = 90001, kTail = 3000;
    const std::uint32_t kTable = 90008;
    struct Case {
        const char* what;
        std::uint32_t entryOffset, entrySize;  // 0, 0: as signedFile writes it
        bool packageInTableOnly;               // the only magic pair lies in the table
        bool found;
        std::uint32_t area;
    };
    const std::uint32_t fileSize = kTable + kTail;
    const Case cases[] = {
        {"sound table", 0, 0, false, true, kTable},
        {"pair only inside the table", 0, 0, true, false, kTable},
        {"table past the end", kTable, kTail + 8, false, true, fileSize},
        {"size wraps 32 bits", kTable, 0xFFFFFFF8u, false, true, fileSize},
        {"offset not 8-aligned", kTable + 4, kTail - 4, false, true, fileSize},
        {"table inside the headers", 0x40, 16, false, true, fileSize},
        {"table smaller than a record", kTable, 4, false, true, fileSize},
        {"table over the package's end", 80000, fileSize - 80000, false, true, 80000},
        {"table before the package", 32000, fileSize - 32000, false, false, 32000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> file = signedFile(kPackage, kEnd, kTail);
        if (c.entryOffset != 0) setSecurityEntry(file, c.entryOffset, c.entrySize);
        if (c.packageInTableOnly) {
            std::memset(&file[kPackage], 0, 8);
            putPair(file, kTable + 16, fmt::kPackageSignature);
        }
        FurthestReader reader(file);
        std::uint32_t start = 0, area = 0;
        EXPECT_EQ(findPackageInFile(reader, static_cast<std::uint32_t>(file.size()), start, area), c.found);
        EXPECT_EQ(area, c.area);
        if (c.found) {
            EXPECT_EQ(start, kPackage);
        } else {
            // Nothing of a believed table is read while scanning for the package.
            EXPECT_LE(reader.furthest, c.area);
        }
    }
}

TEST(PackageScan, FilesWithoutImageHeadersAreScannedWhole) {
    // No "MZ", a header offset beyond the bytes read, no "PE", another magic,
    // too few data directories: the file counts as unsigned.
    const std::uint32_t kTail = 64;
    std::vector<std::vector<std::uint8_t>> files(5, signedFile(1000, 2000, kTail));
    files[0][0] = 'X';
    const std::uint32_t far = fmt::kImageHeadSize;
    std::memcpy(&files[1][0x3C], &far, 4);
    files[2][kPeOffset + 1] = 'X';
    files[3][kPeOffset + 24] = 0x07;
    const std::uint32_t four = 4;
    std::memcpy(&files[4][kPeOffset + 24 + 92], &four, 4);
    for (std::size_t i = 0; i < files.size(); ++i) {
        MemoryReader reader(files[i]);
        std::uint32_t start = 0, area = 0;
        EXPECT_TRUE(findPackageInFile(reader, static_cast<std::uint32_t>(files[i].size()), start, area)) << i;
        EXPECT_EQ(area, files[i].size()) << i;
        EXPECT_EQ(start, 1000u) << i;
    }
}
