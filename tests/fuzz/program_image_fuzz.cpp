// inspect's reading of an installer's program image: the PE headers, the
// resource tree, the version resource and the icon group of any file. What
// reads is written back and reads the same; nothing reads outside the input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/icon_group.h"
#include "image/pe_image.h"
#include "image/resource_tree.h"
#include "image/version_resource.h"

namespace {

// Every leaf with the keys above it, in one order: the writer sorts the
// entries, and a hostile tree may hold a key twice.
std::vector<std::string> leavesOf(const mkpackage::ResourceTree& tree) {
    std::vector<std::string> leaves;
    const auto key = [](const mkpackage::ResourceKey& k) {
        return std::to_string(k.id) + "/" + std::string(k.name.begin(), k.name.end()) + "|";
    };
    for (const mkpackage::ResourceType& type : tree.types)
        for (const mkpackage::ResourceEntry& entry : type.entries)
            for (const mkpackage::ResourceLeaf& leaf : entry.languages)
                leaves.push_back(key(type.type) + key(entry.name) + key(leaf.language) + std::to_string(leaf.codePage) + "|" +
                                 std::string(leaf.data.begin(), leaf.data.end()));
    std::sort(leaves.begin(), leaves.end());
    return leaves;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (4u << 20)) return 0;
    const mkpackage::ImageBytes image(data, data + size);
    mkpackage::PeImage pe;
    std::string problem;
    if (!mkpackage::readPeImage(image, pe, problem) || pe.resourceSection < 0) return 0;
    mkpackage::ResourceTree tree;
    if (!mkpackage::readResourceTree(mkpackage::resourceSectionBytes(image, pe), pe.resourceRva, tree, problem)) return 0;
    for (const mkpackage::ResourceType& type : tree.types) {
        for (const mkpackage::ResourceEntry& entry : type.entries) {
            for (const mkpackage::ResourceLeaf& leaf : entry.languages) {
                mkpackage::VersionInfo info;
                if (type.type.id == mkpackage::kResourceVersion) mkpackage::readVersionResource(leaf.data, info);
                std::vector<mkpackage::IconGroupEntry> icons;
                if (type.type.id == mkpackage::kResourceGroupIcon) mkpackage::readIconGroup(leaf.data, icons);
            }
        }
    }
    // Written back, the tree reads as it was: the builder writes it so.
    const mkpackage::ImageBytes written = mkpackage::writeResourceTree(tree, pe.resourceRva);
    if (std::uint64_t(pe.resourceRva) + written.size() > 0xFFFFFFFFull) return 0;  // refused before it is used
    mkpackage::ResourceTree again;
    if (!mkpackage::readResourceTree(written, pe.resourceRva, again, problem) || leavesOf(tree) != leavesOf(again))
        std::abort();
    return 0;
}
