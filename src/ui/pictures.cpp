#include "ui/pictures.h"

#include "engine/extract/picture_files.h"
#include "format/package_format.h"

namespace setup {

HANDLE loadBlobImage(std::uint32_t index, UINT type) {
    fmt::Blob* blob = blobRecord(index);
    if (blob == nullptr) return nullptr;
    if (blob->imageHandle != 0)
        return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(blob->imageHandle));
    const char* path = writeBlobTempFile(index);
    if (path == nullptr) return nullptr;
    HANDLE image = LoadImageA(nullptr, path, type, 0, 0, LR_LOADFROMFILE);
    if (image != nullptr)
        blob->imageHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(image));
    return image;
}

}  // namespace setup
