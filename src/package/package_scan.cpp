#include "package/package_scan.h"

#include <cstring>

#include "format/certificate_table.h"
#include "format/package_format.h"

namespace setup {

namespace {

std::uint32_t wordAt(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The magic text as a little-endian word, assembled at run time: the image
// must never hold the magic immediately followed by the signature.
std::uint32_t magicWord() {
    return std::uint32_t(std::uint8_t(fmt::kPackageMagic[0])) |
           std::uint32_t(std::uint8_t(fmt::kPackageMagic[1])) << 8 |
           std::uint32_t(std::uint8_t(fmt::kPackageMagic[2])) << 16 |
           std::uint32_t(std::uint8_t(fmt::kPackageMagic[3])) << 24;
}

std::uint8_t scanBuffer[fmt::kScanStep + 4];
static_assert(fmt::kImageHeadSize <= sizeof scanBuffer);

}  // namespace

bool scanForPackage(ScanReader& reader, std::uint32_t fileSize, std::uint32_t& packageStart) {
    if (fileSize == 0) return false;
    const std::uint32_t magic = magicWord();
    std::memset(scanBuffer, 0, sizeof scanBuffer);

    std::uint32_t pos = 0;
    do {
        std::uint32_t n = fileSize - pos;
        if (n > fmt::kScanStep) n = fmt::kScanStep;
        // The 4 bytes of overlap are not read past the scanned size: a
        // signed file's certificate table follows it.
        const std::uint32_t wanted = fileSize - pos - n >= 4 ? n + 4 : fileSize - pos;
        std::uint32_t arrived = reader.read(scanBuffer, wanted);
        // Near the end of the file fewer bytes arrive; the rest is cleared so
        // that a magic in the file's last word never pairs with the leftovers
        // of an earlier step.
        if (arrived < n + 4) std::memset(scanBuffer + arrived, 0, n + 4 - arrived);
        reader.stepBack(4);
        for (std::uint32_t i = 0; i < n / 4; ++i) {
            // The two words are compared one after the other.
            if (wordAt(scanBuffer + 4 * i) != magic) continue;
            if (wordAt(scanBuffer + 4 * i + 4) != fmt::kPackageSignature) continue;
            packageStart = pos + 4 * i;
            return true;
        }
        pos += n;
    } while (pos < fileSize);
    return false;
}

std::uint32_t packageAreaSize(ScanReader& reader, std::uint32_t fileSize) {
    const std::uint32_t wanted = fileSize < fmt::kImageHeadSize ? fileSize : fmt::kImageHeadSize;
    const std::uint32_t arrived = reader.read(scanBuffer, wanted);
    reader.stepBack(arrived);
    const fmt::CertificateTable table = fmt::findCertificateTable(scanBuffer, arrived, fileSize);
    return table.state == fmt::CertificateTableState::sound ? table.offset : fileSize;
}

bool findPackageInFile(ScanReader& reader, std::uint32_t fileSize, std::uint32_t& packageStart,
                       std::uint32_t& areaSize) {
    areaSize = packageAreaSize(reader, fileSize);
    return scanForPackage(reader, areaSize, packageStart);
}

}  // namespace setup
