// The resources of a PE image as a tree of types, names and languages, read
// from the bytes of a resource section and written back as one:
//
//   directory (16) + entries (8 each)   types, then for each type its names,
//                                        then for each name its languages
//   data entries (16 each)               RVA, size, code page of each leaf
//   names                                u16 length + UTF-16, named entries only
//   data                                 each leaf's bytes, 8-aligned
//
// Entries are written in the order the system looks them up by: named ones
// first (by name, letters folded to upper case), then ids ascending. Pure
// code; every offset read is checked against the section.
#ifndef MKPACKAGE_RESOURCE_TREE_H
#define MKPACKAGE_RESOURCE_TREE_H

#include <cstdint>
#include <string>
#include <vector>

namespace mkpackage {

using ImageBytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kResourceIcon = 3;
inline constexpr std::uint32_t kResourceGroupIcon = 14;
inline constexpr std::uint32_t kResourceVersion = 16;

// A type, name or language: an id, or a name when `name` is not empty.
struct ResourceKey {
    std::uint32_t id = 0;
    std::u16string name;
};

// The header fields a directory carries besides its entries.
struct DirectoryHeader {
    std::uint32_t characteristics = 0, timeDateStamp = 0;
    std::uint16_t majorVersion = 0, minorVersion = 0;
};

struct ResourceLeaf {
    ResourceKey language;
    std::uint32_t codePage = 0;
    ImageBytes data;
};

struct ResourceEntry {
    ResourceKey name;
    DirectoryHeader header;
    std::vector<ResourceLeaf> languages;
};

// An entry of id `id` with one leaf of `language`.
ResourceEntry resourceEntry(std::uint32_t id, const DirectoryHeader& header, std::uint32_t language, ImageBytes data);

struct ResourceType {
    ResourceKey type;
    DirectoryHeader header;
    std::vector<ResourceEntry> entries;
};

struct ResourceTree {
    DirectoryHeader header;
    std::vector<ResourceType> types;

    ResourceType* findType(std::uint32_t id);
    const ResourceType* findType(std::uint32_t id) const;
    // The type, made (empty) when the tree has none.
    ResourceType& type(std::uint32_t id);
};

// The entry of `type` with id `id`, or nullptr.
ResourceEntry* findEntry(ResourceType& type, std::uint32_t id);
const ResourceEntry* findEntry(const ResourceType& type, std::uint32_t id);

// Reads the tree from `section`, the bytes of the resource section whose
// first byte lies at `sectionRva`. False with `problem` when a directory,
// entry, name or leaf does not lie inside it, a directory is met twice, or
// the tree is deeper than type, name and language.
bool readResourceTree(const ImageBytes& section, std::uint32_t sectionRva, ResourceTree& tree, std::string& problem);

// The section bytes of `tree` for a section at `sectionRva`, entries sorted.
ImageBytes writeResourceTree(const ResourceTree& tree, std::uint32_t sectionRva);

}  // namespace mkpackage

#endif
