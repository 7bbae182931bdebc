// Reads and verifies a whole installer: finds the package as the setup
// program does, checks the configuration block and record, and decodes every
// component stream chunk by chunk. Used by `mkpackage inspect` and the tests.
#ifndef FORMAT_PACKAGE_READER_H
#define FORMAT_PACKAGE_READER_H

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "format/package_format.h"

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

struct PackageReport {
    std::uint64_t fileSize = 0;
    std::uint64_t packageStart = 0;
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
    bool packageFound = false;
    bool recordLoaded = false;
    std::string defect;  // empty when every check passed; else the first defect
};

// Scans `in` (of `size` bytes) as the setup program does: 32 KiB steps that
// overlap by 4 bytes, 4-aligned offsets only, first "VeLo" + 0xDEADBABE wins.
// Returns the package's file offset, or nothing.
std::optional<std::uint64_t> locatePackage(std::istream& in, std::uint64_t size);

// Reads and checks everything in the installer at `path`. Never throws for a
// defect in the file: the report names the first one and keeps what was read
// before it.
PackageReport verifyPackageFile(const std::string& path);
PackageReport verifyPackage(std::istream& in, std::uint64_t size);

}  // namespace fmt

#endif
