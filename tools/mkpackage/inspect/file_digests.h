// The verifier's side of inspect --json: the SHA-256 of every stored file's
// unpacked bytes, taken from the chunks as the verifier decodes them.
#ifndef MKPACKAGE_FILE_DIGESTS_H
#define MKPACKAGE_FILE_DIGESTS_H

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "format/package_reader.h"
#include "text/sha256.h"

namespace mkpackage {

// The SHA-256 of every file's unpacked bytes, fed by the verifier's chunks.
class FileDigests {
public:
    fmt::ChunkObserver observer();
    // The digest of a file; that of no bytes for a file without chunks.
    std::string digest(std::size_t component, std::size_t file) const;

private:
    std::map<std::pair<std::size_t, std::size_t>, Sha256> running_;
};

}  // namespace mkpackage

#endif
