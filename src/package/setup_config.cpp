#include "package/setup_config.h"

#include <windows.h>

#include <cstring>

#include "base/install_error.h"
#include "base/process_state.h"
#include "package/config_block.h"
#include "package/package_file.h"

namespace setup {

namespace {

// The compressed bytes, released on every way out of the loader.
class PackedBuffer {
public:
    explicit PackedBuffer(std::uint32_t size)
        : bytes_(static_cast<std::uint8_t*>(LocalAlloc(LPTR, size == 0 ? 1 : size))) {}
    ~PackedBuffer() {
        if (bytes_ != nullptr) LocalFree(bytes_);
    }
    PackedBuffer(const PackedBuffer&) = delete;
    PackedBuffer& operator=(const PackedBuffer&) = delete;
    std::uint8_t* bytes() const { return bytes_; }

private:
    std::uint8_t* bytes_;
};

}  // namespace

void loadSetupConfig() {
    fmt::ConfigBlockHeader block;
    seekPackage(packageFile.header.configOffset);
    readPackage(&block, sizeof block);
    if (!hasConfigMagic(block)) raiseInstallError(kErrorArchiveCorrupt);

    // Without memory for the packed bytes the read cannot take place.
    PackedBuffer packed(block.packedSize);
    if (packed.bytes() == nullptr) raiseInstallError(kErrorArchiveCorrupt);
    readPackage(packed.bytes(), block.packedSize);

    switch (decodeConfigRecord(packed.bytes(), block.packedSize, block.crc, configArea,
                               fmt::kConfigAreaSize)) {
    case ConfigDecodeResult::kOk: break;
    case ConfigDecodeResult::kChecksumMismatch: raiseInstallError(kErrorCrc);
    case ConfigDecodeResult::kCorrupt: raiseInstallError(kErrorArchiveCorrupt);
    }

    relocateSlots(reinterpret_cast<std::uint32_t*>(configArea),
                  static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(configArea)),
                  fmt::kConfigAreaSize);
    configLoaded = true;
}

}  // namespace setup
