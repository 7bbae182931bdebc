// The certificate table of a signed program file. A code signature is
// appended behind everything else in the file (here: behind the package) and
// named by the security entry of the image's data directories, which holds a
// file offset and a size rather than an address. The setup program stops its
// package scan where that table begins; the builder's inspect reports it.
//
//   program image | package | 0-7 zero bytes | certificate table (8-aligned)
//
// Portable C++: the image's headers are read from a buffer the caller fills.
#ifndef FORMAT_CERTIFICATE_TABLE_H
#define FORMAT_CERTIFICATE_TABLE_H

#include <cstddef>
#include <cstdint>

namespace fmt {

// How many bytes from the start of the file are read to find the security
// entry: the headers of an image produced by a linker lie well inside it.
inline constexpr std::uint32_t kImageHeadSize = 4096;

// A WIN_CERTIFICATE record: its length counts these 8 bytes and its data.
inline constexpr std::uint32_t kCertificateHeaderSize = 8;
inline constexpr std::uint16_t kCertificateRevision = 0x0200;
inline constexpr std::uint16_t kCertificateTypeSignedData = 0x0002;

enum class CertificateTableState {
    absent,   // no image headers, or a security entry of zero
    sound,    // offset and size name an 8-aligned table of whole records inside the file
    unsound,  // a security entry that cannot name a table of this file
};

struct CertificateTable {
    CertificateTableState state = CertificateTableState::absent;
    std::uint32_t offset = 0;  // file offset of the table
    std::uint32_t size = 0;    // bytes of the table
    const char* problem = "";  // for an unsound entry: what is wrong with it
};

// Finds the security entry in the first `headSize` bytes of a file of
// `fileSize` bytes. Headers that do not fit the head, or are no image
// headers, count as absent. Never reads outside head[0, headSize).
CertificateTable findCertificateTable(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize);

// Checks the records of a table read whole: every record at least 8 bytes,
// inside the table and at an 8-aligned place. Returns "" when sound, else
// what is wrong; `signedDataRecords` counts the records of signed data.
const char* checkCertificateRecords(const std::uint8_t* table, std::size_t size, unsigned& signedDataRecords);

}  // namespace fmt

#endif
