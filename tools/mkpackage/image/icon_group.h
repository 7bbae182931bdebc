// The program's icon as its resources hold it: an icon group (RT_GROUP_ICON)
// whose entries are those of the .ico file's directory with each image's
// offset replaced by the id of an RT_ICON resource holding the image. The
// system shows a program with its first icon group: the setup program's only
// one, 20.
#ifndef MKPACKAGE_ICON_GROUP_H
#define MKPACKAGE_ICON_GROUP_H

#include <cstdint>
#include <vector>

#include "image/resource_tree.h"
#include "sources/icon_file.h"

namespace mkpackage {

inline constexpr std::uint32_t kProgramIconGroup = 20;

struct IconGroupEntry {
    std::uint8_t width, height, colorCount;
    std::uint16_t planes, bitCount;
    std::uint32_t size;
    std::uint16_t iconId;
};

// The entries of an icon group's bytes; false when they do not fit.
bool readIconGroup(const ImageBytes& bytes, std::vector<IconGroupEntry>& entries);

// Makes `icon` the tree's group `groupId`: the RT_ICON images the old group
// named go unless another group names them too, the new images take the
// lowest free ids, and the group keeps its first language (neutral for a
// group that was not there).
void replaceIconGroup(ResourceTree& tree, std::uint32_t groupId, const IconFile& icon);

}  // namespace mkpackage

#endif
