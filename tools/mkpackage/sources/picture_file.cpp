#include "sources/picture_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <system_error>

namespace mkpackage {

namespace {

fmt::u32 loadU32(const std::vector<fmt::u8>& data, std::size_t offset) {
    fmt::u32 v;
    std::memcpy(&v, data.data() + offset, 4);
    return v;
}

}  // namespace

bool checkPictureData(fmt::u32 kind, const std::vector<fmt::u8>& data, fmt::i32& width, fmt::i32& height,
                      std::string& problem) {
    switch (kind) {
        case fmt::kBlobBitmap: {
            // BITMAPFILEHEADER (14 bytes) then at least a BITMAPINFOHEADER.
            if (data.size() < 54 || data[0] != 'B' || data[1] != 'M' || loadU32(data, 14) < 40) {
                problem = "is not a Windows bitmap";
                return false;
            }
            width = static_cast<fmt::i32>(loadU32(data, 18));
            height = static_cast<fmt::i32>(loadU32(data, 22));
            // Top-down bitmaps store a negative height; the smallest i32 has no positive partner.
            if (height < 0 && height != INT32_MIN) height = -height;
            if (width <= 0 || height <= 0) {
                problem = "has no pixels";
                return false;
            }
            return true;
        }
        case fmt::kBlobIcon:
            if (data.size() < 6 + 16 || data[0] != 0 || data[1] != 0 || data[2] != 1 || data[3] != 0 ||
                (data[4] | data[5]) == 0) {
                problem = "is not an icon file";
                return false;
            }
            return true;
        case fmt::kBlobAnimation:
            if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 ||
                std::memcmp(data.data() + 8, "AVI ", 4) != 0) {
                problem = "is not an AVI clip";
                return false;
            }
            return true;
        default:
            problem = "is of an unknown kind";
            return false;
    }
}

bool loadPicture(const std::filesystem::path& path, PictureSpec& picture, std::string& problem) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".bmp") picture.kind = fmt::kBlobBitmap;
    else if (extension == ".ico") picture.kind = fmt::kBlobIcon;
    else if (extension == ".avi") picture.kind = fmt::kBlobAnimation;
    else {
        problem = "must be a .bmp, .ico or .avi file";
        return false;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        problem = "file not found";
        return false;
    }
    if (size > kMaxPictureSize) {
        problem = "is " + std::to_string(size) + " bytes, more than a configuration record can hold";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    picture.data.resize(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(picture.data.data()), static_cast<std::streamsize>(size))) {
        problem = "cannot be read";
        return false;
    }
    return checkPictureData(picture.kind, picture.data, picture.width, picture.height, problem);
}

}  // namespace mkpackage
