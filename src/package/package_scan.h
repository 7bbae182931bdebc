// Finding the package inside the program file: a scan of 4-aligned offsets
// in 32 KiB steps that overlap by 4 bytes, so a magic pair across the border
// of two steps is still found. The first match wins.
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
// followed by the package signature. Returns true and sets packageStart to
// the file offset of the first match; false when there is none.
bool scanForPackage(ScanReader& reader, std::uint32_t fileSize, std::uint32_t& packageStart);

}  // namespace setup

#endif
