#include "package/package_file.h"

#include <algorithm>
#include <cstring>

#include "base/file_size.h"
#include "base/install_error.h"
#include "package/extra_texts.h"
#include "package/package_scan.h"
#include "package/setup_config.h"

namespace setup {

PackageFile packageFile;

namespace {

class FileScanReader final : public ScanReader {
public:
    explicit FileScanReader(HANDLE file) : file_(file) {}
    std::uint32_t read(void* buffer, std::uint32_t count) override {
        DWORD arrived = 0;
        if (!ReadFile(file_, buffer, count, &arrived, nullptr)) return 0;
        return arrived;
    }
    void stepBack(std::uint32_t count) override {
        seekFile(file_, -static_cast<std::int64_t>(count), FILE_CURRENT);
    }

private:
    HANDLE file_;
};

std::uint32_t sizeOfFile(HANDLE file) {
    std::uint64_t size = 0;
    if (!fileSize(file, size)) return 0;
    // The package format counts in 32-bit offsets.
    if (size > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(size);
}

// The package is read ahead in blocks: decoding a chunk takes three small
// reads (its checksum, its data and the next entry's head), and each read of
// the file is a system call. Bytes readAhead[aheadBegin, aheadEnd) come next.
constexpr std::uint32_t kReadAheadSize = 64 * 1024;
std::uint8_t readAhead[kReadAheadSize];
std::uint32_t aheadBegin = 0, aheadEnd = 0;

void moveTo(HANDLE file, std::uint64_t position) {
    aheadBegin = aheadEnd = 0;
    seekFile(file, static_cast<std::int64_t>(position), FILE_BEGIN);
}

// Reads up to count bytes from the file; the number that arrived, 0 on a failure.
std::uint32_t readFromFile(void* buffer, std::uint32_t count) {
    DWORD arrived = 0;
    if (!ReadFile(packageFile.handle, buffer, count, &arrived, nullptr)) return 0;
    return arrived;
}

}  // namespace

bool locatePackage(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;

    FileScanReader reader(file);
    std::uint32_t start = 0, areaSize = 0;
    if (!findPackageInFile(reader, sizeOfFile(file), start, areaSize)) {
        CloseHandle(file);
        return false;
    }
    packageFile.handle = file;
    // In a signed file the package ends before the certificate table.
    packageFile.fileSize = areaSize;
    packageFile.packageStart = start;
    moveTo(file, start);
    return true;
}

void readPackage(void* buffer, std::uint32_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint32_t buffered = std::min(aheadEnd - aheadBegin, count);
    std::memcpy(out, readAhead + aheadBegin, buffered);
    aheadBegin += buffered;
    out += buffered;
    count -= buffered;
    if (count == 0) return;
    // A failed read reports no bytes; only the number that arrived is judged.
    if (count >= kReadAheadSize) {
        if (readFromFile(out, count) != count) raiseInstallError(kErrorArchiveCorrupt);
        return;
    }
    aheadBegin = 0;
    aheadEnd = readFromFile(readAhead, kReadAheadSize);
    if (aheadEnd < count) raiseInstallError(kErrorArchiveCorrupt);
    std::memcpy(out, readAhead, count);
    aheadBegin = count;
}

void seekPackage(std::uint32_t offset) {
    if (offset > packageFile.fileSize) raiseInstallError(kErrorArchiveCorrupt);
    moveTo(packageFile.handle, std::uint64_t(packageFile.packageStart) + offset);
}

void skipPackage(std::uint32_t count) {
    const std::uint32_t buffered = aheadEnd - aheadBegin;
    if (count <= buffered) {
        aheadBegin += count;
        return;
    }
    aheadBegin = aheadEnd = 0;
    seekFile(packageFile.handle, static_cast<std::int64_t>(count - buffered), FILE_CURRENT);
}

void closePackageFile() {
    if (packageFile.handle != nullptr) {
        CloseHandle(packageFile.handle);
        packageFile.handle = nullptr;
    }
    aheadBegin = aheadEnd = 0;
}

bool openPackage(const char* programPath) {
    if (!locatePackage(programPath)) return false;

    readPackage(&packageFile.header, sizeof packageFile.header);
    if (std::memcmp(packageFile.header.magic, fmt::kPackageMagic, sizeof fmt::kPackageMagic) != 0) {
        raiseInstallError(kErrorArchiveCorrupt);
    }
    loadSetupConfig();
    loadExtraTexts();
    return true;
}

}  // namespace setup
