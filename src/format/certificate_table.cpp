#include "format/certificate_table.h"

#include <cstring>

namespace fmt {
namespace {

// Offsets inside the image headers.
constexpr std::size_t kNewHeaderOffsetField = 0x3C;  // of the DOS header
constexpr std::size_t kFileHeaderSize = 20;          // behind "PE\0\0"
constexpr std::size_t kOptionalSizeField = 16;       // in the file header
constexpr std::uint16_t kMagic32 = 0x10B;
constexpr std::uint16_t kMagic64 = 0x20B;
constexpr std::size_t kDirectoryCountField32 = 92;   // in the optional header
constexpr std::size_t kDirectoryCountField64 = 108;
constexpr std::uint32_t kSecurityEntry = 4;
constexpr std::size_t kDirectoryEntrySize = 8;

std::uint16_t u16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t u32At(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

CertificateTable unsound(const char* problem) {
    CertificateTable table;
    table.state = CertificateTableState::unsound;
    table.problem = problem;
    return table;
}

}  // namespace

CertificateTable findCertificateTable(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize) {
    const CertificateTable absent;
    if (headSize > fileSize) headSize = static_cast<std::size_t>(fileSize);
    if (headSize < kNewHeaderOffsetField + 4 || head[0] != 'M' || head[1] != 'Z') return absent;
    // Every sum below stays far below 2^32 + 2^32: no wrap in 64 bits.
    const std::uint64_t peOffset = u32At(head + kNewHeaderOffsetField);
    const std::uint64_t optional = peOffset + 4 + kFileHeaderSize;
    if (optional + 2 > headSize) return absent;
    if (std::memcmp(head + peOffset, "PE\0\0", 4) != 0) return absent;
    const std::uint64_t optionalSize = u16At(head + peOffset + 4 + kOptionalSizeField);
    const std::uint16_t magic = u16At(head + optional);
    if (magic != kMagic32 && magic != kMagic64) return absent;
    const std::uint64_t countField = optional + (magic == kMagic32 ? kDirectoryCountField32 : kDirectoryCountField64);
    const std::uint64_t entry = countField + 4 + kSecurityEntry * kDirectoryEntrySize;
    // The entry must lie inside the optional header as the file header sizes
    // it, and inside the bytes read.
    if (entry + kDirectoryEntrySize > optional + optionalSize || entry + kDirectoryEntrySize > headSize) return absent;
    if (u32At(head + countField) <= kSecurityEntry) return absent;

    const std::uint32_t offset = u32At(head + entry);
    const std::uint32_t size = u32At(head + entry + 4);
    if (offset == 0 && size == 0) return absent;
    if (offset < optional + optionalSize) return unsound("the certificate table lies inside the image headers");
    if (offset % 8 != 0) return unsound("the certificate table does not start at a multiple of 8");
    if (size < kCertificateHeaderSize) return unsound("the certificate table is smaller than one record");
    if (std::uint64_t(offset) + size > fileSize) return unsound("the certificate table runs past the end of the file");
    CertificateTable table;
    table.state = CertificateTableState::sound;
    table.offset = offset;
    table.size = size;
    return table;
}

const char* checkCertificateRecords(const std::uint8_t* table, std::size_t size, unsigned& signedDataRecords) {
    signedDataRecords = 0;
    std::size_t at = 0;
    while (at < size) {
        if (size - at < kCertificateHeaderSize) return "a certificate record is cut off by the end of the table";
        const std::uint32_t length = u32At(table + at);
        if (length < kCertificateHeaderSize || length > size - at) {
            return "a certificate record's length does not fit the table";
        }
        if (u16At(table + at + 4) == kCertificateRevision && u16At(table + at + 6) == kCertificateTypeSignedData) {
            ++signedDataRecords;
        }
        // Records follow one another at 8-aligned places; the last may be
        // followed by its padding only.
        const std::size_t padded = (std::size_t(length) + 7) / 8 * 8;
        if (padded >= size - at) break;
        at += padded;
    }
    return "";
}

}  // namespace fmt
