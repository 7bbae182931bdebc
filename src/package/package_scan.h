// Finding the package inside the program file: a scan of 4-aligned offsets
// in 32 KiB steps that overlap by 4 bytes, so a magic pair across the border
// of two steps is still found. The first match wins. A signed file carries
// its certificate table behind the package; the scan and every later read of
// the package stop where that table begins.
#ifndef PACKAGE_PACKAGE_SCAN_H
#define PACKAGE_PACKAGE_SCAN_H

#include <cstdint>

namespace setup {

// Sequential access to the file being scanned.
class ScanReader {
public:
    // Reads up to count bytes at the current position and advances by the
    // number that arrived, which it returns (fewer near the end of the file).
    virtual std::uint32_t read(void* buffer, std::uint32_t count) = 0;
    // Moves the current position back by count bytes.
    virtual void stepBack(std::uint32_t count) = 0;

protected:
    ~ScanReader() = default;
};

// Scans fileSize bytes from the reader's start for the package magic text
// followed by the package signature, reading nothing beyond them. Returns
// true and sets packageStart to the file offset of the first match; false
// when there is none.
bool scanForPackage(ScanReader& reader, std::uint32_t fileSize, std::uint32_t& packageStart);

// The bytes from the file's start that may hold the package: up to the
// certificate table when the image's security entry names a sound one, else
// the whole file (an entry that names no table inside the file is not
// believed). Reads the image headers and steps back to where it started.
std::uint32_t packageAreaSize(ScanReader& reader, std::uint32_t fileSize);

// packageAreaSize, then the scan of that area, from the reader's start.
// True with the package's start and the area's size; false when the area
// holds no package.
bool findPackageInFile(ScanReader& reader, std::uint32_t fileSize, std::uint32_t& packageStart,
                       std::uint32_t& areaSize);

}  // namespace setup

#endif
