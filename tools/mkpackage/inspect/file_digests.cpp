#include "inspect/file_digests.h"

namespace mkpackage {

fmt::ChunkObserver FileDigests::observer() {
    return [this](std::size_t component, std::size_t file, const fmt::u8* data, std::size_t size) {
        running_[{component, file}].add(data, size);
    };
}

std::string FileDigests::digest(std::size_t component, std::size_t file) const {
    const auto found = running_.find({component, file});
    Sha256 copy = found == running_.end() ? Sha256() : found->second;
    return copy.hexDigest();
}

}  // namespace mkpackage
