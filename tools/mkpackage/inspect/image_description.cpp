#include "inspect/image_description.h"

#include <fstream>

#include "image/pe_image.h"

namespace mkpackage {
namespace {

// The setup program is a few hundred KiB; nothing larger is read whole.
constexpr std::uint64_t kLargestImage = 64ull << 20;

}  // namespace

std::string versionText(const std::uint16_t (&numbers)[4]) {
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." + std::to_string(numbers[2]) + "." +
           std::to_string(numbers[3]);
}

ImageDescription describeProgramImage(const std::filesystem::path& path, std::uint64_t imageSize) {
    ImageDescription d;
    if (imageSize > kLargestImage) {
        d.problem = "the program image is larger than 64 MiB";
        return d;
    }
    ImageBytes image(static_cast<std::size_t>(imageSize));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()))) {
        d.problem = "the program image cannot be read";
        return d;
    }
    PeImage pe;
    ResourceTree tree;
    if (!readPeImage(image, pe, d.problem)) return d;
    if (pe.resourceSection < 0) {
        d.problem = "the program image has no resources";
        return d;
    }
    if (!readResourceTree(resourceSectionBytes(image, pe), pe.resourceRva, tree, d.problem)) return d;
    if (const ResourceType* versions = tree.findType(kResourceVersion)) {
        for (const ResourceEntry& entry : versions->entries) {
            if (!entry.languages.empty() && readVersionResource(entry.languages.front().data, d.version)) {
                d.hasVersion = true;
                break;
            }
        }
    }
    // The system shows the first group: named ones first, then the lowest id.
    if (const ResourceType* groups = tree.findType(kResourceGroupIcon)) {
        const ResourceEntry* first = nullptr;
        for (const ResourceEntry& entry : groups->entries) {
            if (first == nullptr || (!entry.name.name.empty() && first->name.name.empty()) ||
                (entry.name.name.empty() && first->name.name.empty() && entry.name.id < first->name.id))
                first = &entry;
        }
        if (first != nullptr && !first->languages.empty() && readIconGroup(first->languages.front().data, d.icon)) {
            d.hasIcon = true;
            d.iconGroup = first->name.name.empty() ? first->name.id : 0;
        }
    }
    return d;
}

}  // namespace mkpackage
