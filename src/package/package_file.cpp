#include "package/package_file.h"

#include <cstring>

#include "base/install_error.h"
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
        LARGE_INTEGER distance;
        distance.QuadPart = -static_cast<LONGLONG>(count);
        SetFilePointerEx(file_, distance, nullptr, FILE_CURRENT);
    }

private:
    HANDLE file_;
};

std::uint32_t sizeOfFile(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return 0;
    // The package format counts in 32-bit offsets.
    if (size.QuadPart > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(size.QuadPart);
}

void moveTo(HANDLE file, std::uint64_t position) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    SetFilePointerEx(file, distance, nullptr, FILE_BEGIN);
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
    DWORD arrived = 0;
    // A failed read reports no bytes; only the number that arrived is judged.
    if (!ReadFile(packageFile.handle, buffer, count, &arrived, nullptr)) arrived = 0;
    if (arrived != count) raiseInstallError(kErrorArchiveCorrupt);
}

void seekPackage(std::uint32_t offset) {
    if (offset > packageFile.fileSize) raiseInstallError(kErrorArchiveCorrupt);
    moveTo(packageFile.handle, std::uint64_t(packageFile.packageStart) + offset);
}

void closePackageFile() {
    if (packageFile.handle != nullptr) {
        CloseHandle(packageFile.handle);
        packageFile.handle = nullptr;
    }
}

bool openPackage(char (&path)[fmt::kMaxPath]) {
    std::memset(path, 0, sizeof path);
    GetModuleFileNameA(nullptr, path, fmt::kMaxPath - 1);
    if (!locatePackage(path)) return false;

    readPackage(&packageFile.header, sizeof packageFile.header);
    if (std::memcmp(packageFile.header.magic, fmt::kPackageMagic, sizeof fmt::kPackageMagic) != 0) {
        raiseInstallError(kErrorArchiveCorrupt);
    }
    loadSetupConfig();
    return true;
}

}  // namespace setup
