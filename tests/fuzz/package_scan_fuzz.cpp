// The setup program's scan for its package, over any file: it reads only
// what the file holds, never past a certificate table the image headers
// name, and finds exactly the first 4-aligned offset before it whose two
// words are the magic text and the signature.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "format/certificate_table.h"
#include "format/package_format.h"
#include "package/package_scan.h"

namespace {

// The file as the scan sees it through the system: reads stop at its end,
// and stepping back never goes before its start.
class BufferReader final : public setup::ScanReader {
public:
    BufferReader(const std::uint8_t* data, std::uint32_t size) : data_(data), size_(size) {}

    std::uint32_t read(void* buffer, std::uint32_t count) override {
        const std::uint32_t n = std::min(count, size_ - position_);
        if (n != 0) std::memcpy(buffer, data_ + position_, n);
        position_ += n;
        if (position_ > furthest) furthest = position_;
        return n;
    }
    std::uint32_t furthest = 0;
    void stepBack(std::uint32_t count) override { position_ = count > position_ ? 0 : position_ - count; }

private:
    const std::uint8_t* data_;
    std::uint32_t size_;
    std::uint32_t position_ = 0;
};

std::uint32_t wordAt(const std::uint8_t* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

// The first match, found the plain way.
bool firstMatch(const std::uint8_t* data, std::uint32_t size, std::uint32_t& offset) {
    const std::uint32_t magic = wordAt(reinterpret_cast<const std::uint8_t*>(fmt::kPackageMagic));
    for (std::uint32_t at = 0; size >= 8 && at <= size - 8; at += 4) {
        if (wordAt(data + at) == magic && wordAt(data + at + 4) == fmt::kPackageSignature) {
            offset = at;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    const auto fileSize = static_cast<std::uint32_t>(size);
    const fmt::CertificateTable table =
        fmt::findCertificateTable(data, std::min<std::size_t>(size, fmt::kImageHeadSize), fileSize);
    if (table.state == fmt::CertificateTableState::sound &&
        (table.offset < 8 || std::uint64_t(table.offset) + table.size > fileSize || table.offset % 8 != 0)) {
        std::abort();
    }
    const std::uint32_t area = table.state == fmt::CertificateTableState::sound ? table.offset : fileSize;
    BufferReader reader(data, fileSize);
    std::uint32_t found = 0, expected = 0, scannedArea = 0;
    const bool scanned = setup::findPackageInFile(reader, fileSize, found, scannedArea);
    const bool plain = firstMatch(data, area, expected);
    if (scannedArea != area || scanned != plain || (scanned && found != expected)) std::abort();
    // The headers are read first (up to the head size); the scan itself
    // stays inside the area.
    if (reader.furthest > std::max(area, std::min(fileSize, fmt::kImageHeadSize))) std::abort();
    return 0;
}
