// What inspect reports of an installer's program image: its version resource
// and the icon the system shows for the file (its first icon group).
#ifndef MKPACKAGE_IMAGE_DESCRIPTION_H
#define MKPACKAGE_IMAGE_DESCRIPTION_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/icon_group.h"
#include "image/version_resource.h"

namespace mkpackage {

struct ImageDescription {
    std::string problem;            // why the resources could not be read; empty when they were
    bool hasVersion = false;
    VersionInfo version;
    bool hasIcon = false;
    std::uint32_t iconGroup = 0;    // the id of the first icon group (0 for a named one)
    std::vector<IconGroupEntry> icon;
};

// Reads the resources of the image, the first `imageSize` bytes of the file
// at `path` (the bytes before the package). Never throws.
ImageDescription describeProgramImage(const std::filesystem::path& path, std::uint64_t imageSize);

// "1.2.0.0"
std::string versionText(const std::uint16_t (&numbers)[4]);

}  // namespace mkpackage

#endif
