// Reading a picture file for a Blob: its kind from the extension, a light
// check of its header, and a bitmap's size.
#ifndef MKPACKAGE_PICTURE_FILE_H
#define MKPACKAGE_PICTURE_FILE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "format/package_format.h"

namespace mkpackage {

// A picture a description names, with the bytes of its file.
struct PictureSpec {
    std::string name;           // as the description names it (UTF-8)
    std::string tempName;       // 8-bit, stored in Blob.fileName
    fmt::u32 kind = 0;          // fmt::BlobKind
    fmt::i32 width = 0, height = 0;
    std::vector<fmt::u8> data;  // the whole file
    std::filesystem::path path; // the file it was read from
    long line = 0;
};

// Largest picture file accepted: a record holds at most 787,426 bytes.
inline constexpr std::uintmax_t kMaxPictureSize = fmt::kConfigAreaSize;

// Fills kind, width, height and data of `picture` from `path`. Returns false
// with `problem` set when the file is missing, too large, of an unknown kind
// or not what its extension says.
bool loadPicture(const std::filesystem::path& path, PictureSpec& picture, std::string& problem);

// Checks bytes of a picture of the given kind; fills width and height of a bitmap.
bool checkPictureData(fmt::u32 kind, const std::vector<fmt::u8>& data, fmt::i32& width, fmt::i32& height,
                      std::string& problem);

}  // namespace mkpackage

#endif
