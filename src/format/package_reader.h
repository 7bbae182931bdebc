// Reads and verifies a whole installer: finds the package as the setup
// program does, checks the configuration block and record, and decodes every
// component stream chunk by chunk. Used by `mkpackage inspect` and the tests.
#ifndef FORMAT_PACKAGE_READER_H
#define FORMAT_PACKAGE_READER_H

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "format/certificate_table.h"
#include "format/extension_table.h"
#include "format/package_format.h"
#include "format/stream_methods.h"

namespace fmt {

struct VerifiedFile {
    std::string name;           // as stored, 8-bit text
    std::uint64_t entryOffset;  // package-relative
    FileEntry entry;
    u32 chunkCount;
};

struct VerifiedAction {
    InstallAction record;
    std::string arg1, arg2, arg3;
};

struct VerifiedComponent {
    std::string name;
    Component record;
    StreamMethodEntry method{};     // zlib (all zero) unless the stream-methods record says otherwise
    std::uint64_t blockBytes = 0;   // an LZMA component's blocks, their headers included
    std::vector<VerifiedAction> actions;
    std::vector<VerifiedFile> files;
};

struct VerifiedPageItem {
    PageItem head;
    std::string text;   // for text kinds
    i32 value = 0;      // for image and spacing kinds
};

struct VerifiedBlob {
    Blob record;
    std::string fileName;
};

// A record of the extension table, its checksum verified.
struct VerifiedExtension {
    u32 tag;
    std::uint64_t dataOffset;  // package-relative
    std::vector<u8> data;
};

struct PackageReport {
    std::uint64_t fileSize = 0;
    std::uint64_t packageStart = 0;
    // The signature appended behind the package, as the image's security
    // entry names it; the package then ends before it (within 7 bytes of
    // zero padding).
    CertificateTable certificates;
    unsigned signedDataRecords = 0;  // signature records in the table
    PackageHeader header{};
    ConfigBlockHeader configBlock{};
    std::vector<u8> record;                           // decompressed SetupConfig
    std::array<std::string, kTextSlotCount> texts;    // by slot index
    std::vector<std::string> uninstallTexts;
    UninstallHeader uninstall{};
    ScalarSettings settings{};
    std::vector<VerifiedComponent> components;
    std::vector<std::vector<VerifiedPageItem>> pages;
    std::vector<VerifiedBlob> blobs;
    std::vector<VerifiedExtension> extensions;  // in table order
    bool packageFound = false;
    bool recordLoaded = false;
    std::string defect;  // empty when every check passed; else the first defect

    bool signaturePresent() const {
        return certificates.state == CertificateTableState::sound && signedDataRecords > 0;
    }
};

// Scans the first `size` bytes of `in` as the setup program does: 32 KiB
// steps that overlap by 4 bytes, 4-aligned offsets only, first "VeLo" +
// 0xDEADBABE wins. Returns the package's file offset, or nothing.
std::optional<std::uint64_t> locatePackage(std::istream& in, std::uint64_t size);

// Sees every chunk's unpacked bytes once its checksum has passed, in storage
// order: component index, file index within it, bytes.
using ChunkObserver = std::function<void(std::size_t component, std::size_t file, const u8* data, std::size_t size)>;

// Reads and checks everything in the installer at `path`. Never throws for a
// defect in the file: the report names the first one and keeps what was read
// before it.
PackageReport verifyPackageFile(const std::string& path, const ChunkObserver& observer = {});
PackageReport verifyPackage(std::istream& in, std::uint64_t size, const ChunkObserver& observer = {});

// An extension tag's four characters, "?" for one that is not printable.
std::string extensionTagText(u32 tag);

}  // namespace fmt

#endif
