#include "image/icon_group.h"

#include <algorithm>
#include <set>

namespace mkpackage {
namespace {

constexpr std::size_t kGroupHeaderSize = 6, kGroupEntrySize = 14;

std::uint32_t u16At(const ImageBytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t u32At(const ImageBytes& b, std::size_t at) { return u16At(b, at) | (u16At(b, at + 2) << 16); }
void append16(ImageBytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The icon ids every group of the tree names, `except` one.
std::set<std::uint32_t> iconsNamedByGroups(const ResourceTree& tree, std::uint32_t except) {
    std::set<std::uint32_t> ids;
    const ResourceType* groups = tree.findType(kResourceGroupIcon);
    if (groups == nullptr) return ids;
    for (const ResourceEntry& group : groups->entries) {
        if (group.name.name.empty() && group.name.id == except) continue;
        for (const ResourceLeaf& leaf : group.languages) {
            std::vector<IconGroupEntry> entries;
            if (readIconGroup(leaf.data, entries))
                for (const IconGroupEntry& e : entries) ids.insert(e.iconId);
        }
    }
    return ids;
}

}  // namespace

bool readIconGroup(const ImageBytes& bytes, std::vector<IconGroupEntry>& entries) {
    entries.clear();
    if (bytes.size() < kGroupHeaderSize || u16At(bytes, 0) != 0 || u16At(bytes, 2) != 1) return false;
    const std::size_t count = u16At(bytes, 4);
    if (bytes.size() < kGroupHeaderSize + count * kGroupEntrySize) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kGroupHeaderSize + i * kGroupEntrySize;
        entries.push_back({bytes[at], bytes[at + 1], bytes[at + 2], static_cast<std::uint16_t>(u16At(bytes, at + 4)),
                           static_cast<std::uint16_t>(u16At(bytes, at + 6)), u32At(bytes, at + 8),
                           static_cast<std::uint16_t>(u16At(bytes, at + 12))});
    }
    return true;
}

void replaceIconGroup(ResourceTree& tree, std::uint32_t groupId, const IconFile& icon) {
    // Both made first: making one may move the other.
    tree.type(kResourceGroupIcon);
    tree.type(kResourceIcon);
    ResourceType& groups = *tree.findType(kResourceGroupIcon);
    ResourceType& icons = *tree.findType(kResourceIcon);
    std::uint32_t language = 0;
    std::set<std::uint32_t> oldIcons;
    if (ResourceEntry* old = findEntry(groups, groupId)) {
        if (!old->languages.empty()) language = old->languages.front().language.id;
        for (const ResourceLeaf& leaf : old->languages) {
            std::vector<IconGroupEntry> entries;
            if (readIconGroup(leaf.data, entries))
                for (const IconGroupEntry& e : entries) oldIcons.insert(e.iconId);
        }
        groups.entries.erase(groups.entries.begin() + (old - groups.entries.data()));
    }
    const std::set<std::uint32_t> kept = iconsNamedByGroups(tree, groupId);
    icons.entries.erase(std::remove_if(icons.entries.begin(), icons.entries.end(),
                                       [&](const ResourceEntry& e) {
                                           return e.name.name.empty() && oldIcons.count(e.name.id) != 0 &&
                                                  kept.count(e.name.id) == 0;
                                       }),
                        icons.entries.end());
    std::set<std::uint32_t> taken;
    for (const ResourceEntry& e : icons.entries)
        if (e.name.name.empty()) taken.insert(e.name.id);

    ImageBytes group;
    append16(group, 0);
    append16(group, 1);
    append16(group, static_cast<std::uint32_t>(icon.images.size()));
    std::uint32_t next = 1;
    for (const IconImage& image : icon.images) {
        while (taken.count(next) != 0) ++next;
        taken.insert(next);
        group.push_back(image.width);
        group.push_back(image.height);
        group.push_back(image.colorCount);
        group.push_back(image.reserved);
        append16(group, image.planes);
        append16(group, image.bitCount);
        const auto size = static_cast<std::uint32_t>(image.data.size());
        append16(group, size & 0xFFFF);
        append16(group, size >> 16);
        append16(group, next);
        icons.entries.push_back(resourceEntry(next, icons.header, language, image.data));
    }
    groups.entries.push_back(resourceEntry(groupId, groups.header, language, group));
}

}  // namespace mkpackage
