#include "engine/extract/picture_files.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/field_text.h"
#include "base/install_error.h"
#include "base/process_state.h"
#include "engine/extract/output_file.h"
#include "engine/paths/system_folders.h"
#include "package/setup_config.h"

namespace setup {

char blobTempPath[fmt::kMaxPath];

fmt::Blob* blobRecord(std::uint32_t index) {
    if (!configLoaded || index >= config().settings.blobCount || index >= fmt::kMaxBlobs)
        return nullptr;
    auto* blob = configRecord<fmt::Blob>(config().blobs[index]);
    const auto* start = reinterpret_cast<const std::uint8_t*>(blob);
    const std::uint8_t* end = configArea + fmt::kConfigAreaSize;
    if (start < configArea || start + sizeof(fmt::Blob) > end) return nullptr;
    if (blob->size > static_cast<std::uint32_t>(end - start) - sizeof(fmt::Blob)) return nullptr;
    return blob;
}

std::uint32_t imageIndex(fmt::ImageIndex entry) {
    return config().settings.imageIndexTable[entry];
}

const char* writeBlobTempFile(std::uint32_t index) {
    fmt::Blob* blob = blobRecord(index);
    if (blob == nullptr) return nullptr;
    if (!readSystemFolder(SystemFolder::temporary, blobTempPath)) return nullptr;
    char fileName[fmt::kMaxPath];
    copyFieldText(fileName, blob->fileName);
    if (!appendBounded(blobTempPath, fileName)) return nullptr;

    if (injectFault(FaultSite::createPicture)) return nullptr;
    HANDLE file = CreateFileA(blobTempPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const auto* data = reinterpret_cast<const std::uint8_t*>(blob) + sizeof(fmt::Blob);
    if (!writeAll(file, data, blob->size)) {
        // Leave no half-written picture behind: close and delete before raising.
        const DWORD error = GetLastError();
        CloseHandle(file);
        DeleteFileA(blobTempPath);
        // While the run is being undone nothing may raise: the picture is left out.
        if (endingRun) return nullptr;
        SetLastError(error);
        copyBounded(currentPath, blobTempPath);
        raiseInstallError(kErrorWriteFile);
    }
    CloseHandle(file);
    copyBounded(blob->tempPath, sizeof blob->tempPath, blobTempPath);
    return blobTempPath;
}

void deleteTempFiles() {
    // A load that failed half-way may leave numbers in the area but no
    // relocated slots: only a loaded record names temporary files.
    if (!configLoaded) return;
    fmt::SetupConfig& record = config();
    std::uint32_t count = record.settings.blobCount;
    if (count > fmt::kMaxBlobs) count = fmt::kMaxBlobs;
    for (std::uint32_t i = 0; i < count; ++i) {
        fmt::Blob* blob = configRecord<fmt::Blob>(record.blobs[i]);
        if (blob != nullptr && blob->tempPath[0] != '\0') DeleteFileA(blob->tempPath);
    }
}

}  // namespace setup
