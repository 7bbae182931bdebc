#include "sources/icon_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace mkpackage {
namespace {

std::uint32_t u16At(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) { return u16At(b, at) | (u16At(b, at + 2) << 16); }

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;

}  // namespace

bool parseIconFile(const std::vector<std::uint8_t>& bytes, IconFile& icon, std::string& problem) {
    icon.images.clear();
    if (bytes.size() < kHeaderSize || u16At(bytes, 0) != 0 || u16At(bytes, 2) != 1) {
        problem = "is not an icon file (no icon header)";
        return false;
    }
    const std::size_t count = u16At(bytes, 4);
    if (count == 0 || count > kMaxIconImages) {
        problem = "holds " + std::to_string(count) + " images; an icon holds 1 to " + std::to_string(kMaxIconImages);
        return false;
    }
    if (bytes.size() < kHeaderSize + count * kEntrySize) {
        problem = "ends inside its directory of images";
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + i * kEntrySize;
        const std::uint64_t size = u32At(bytes, entry + 8), offset = u32At(bytes, entry + 12);
        if (size == 0 || offset + size > bytes.size() || offset < kHeaderSize + count * kEntrySize) {
            problem = "image " + std::to_string(i + 1) + " does not lie inside the file behind its directory";
            return false;
        }
        IconImage image;
        image.width = bytes[entry];
        image.height = bytes[entry + 1];
        image.colorCount = bytes[entry + 2];
        image.reserved = bytes[entry + 3];
        image.planes = static_cast<std::uint16_t>(u16At(bytes, entry + 4));
        image.bitCount = static_cast<std::uint16_t>(u16At(bytes, entry + 6));
        image.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                          bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
        icon.images.push_back(std::move(image));
    }
    return true;
}

bool loadIconFile(const std::filesystem::path& path, IconFile& icon, std::string& problem) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        problem = "is not a file that exists";
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxIconFileSize) {
        problem = ec ? "cannot be read" : "is larger than " + std::to_string(kMaxIconFileSize >> 20) + " MiB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || bytes.size() != size) {
        problem = "cannot be read";
        return false;
    }
    return parseIconFile(bytes, icon, problem);
}

}  // namespace mkpackage
