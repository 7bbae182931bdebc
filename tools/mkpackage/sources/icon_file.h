// An icon file (.ico) as the installer's own icon takes it: its images, each
// with the directory entry that describes it. The program image's resources
// hold the same images as RT_ICON entries and the directory as its icon
// group, the entries naming the images by resource id instead of offset.
#ifndef MKPACKAGE_ICON_FILE_H
#define MKPACKAGE_ICON_FILE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mkpackage {

struct IconImage {
    std::uint8_t width, height, colorCount, reserved;  // as the directory entry has them
    std::uint16_t planes, bitCount;
    std::vector<std::uint8_t> data;                     // a DIB or a PNG image
};

struct IconFile {
    std::vector<IconImage> images;  // in the file's order
};

// Largest icon file accepted: a few sizes of a 256-pixel icon fit well.
inline constexpr std::uintmax_t kMaxIconFileSize = 4u << 20;
// Images of one icon at most.
inline constexpr std::size_t kMaxIconImages = 64;

// Reads the bytes of an icon file: the header (reserved 0, type 1, a count
// of 1 to kMaxIconImages), the entries, and each image inside the file.
// False with `problem` set (what is wrong, for "field: ...") otherwise.
bool parseIconFile(const std::vector<std::uint8_t>& bytes, IconFile& icon, std::string& problem);

// Reads and parses the file at `path`; false with `problem` when it is
// missing, not a regular file, larger than kMaxIconFileSize or no icon.
bool loadIconFile(const std::filesystem::path& path, IconFile& icon, std::string& problem);

}  // namespace mkpackage

#endif
