// Writes one LZMA component (format/stream_methods.h): its files cut into
// 16 KiB pieces, the pieces gathered into blocks of at most the block size,
// the blocks compressed by the pool's workers and written in order, then the
// entries with their chunk tables and the pieces' checksums.
#ifndef MKPACKAGE_LZMA_COMPONENT_WRITER_H
#define MKPACKAGE_LZMA_COMPONENT_WRITER_H

#include <cstdint>
#include <functional>

#include "build/package_writer.h"
#include "compress/lzma_block_pool.h"
#include "description/description.h"
#include "output/output_file.h"

namespace mkpackage {

struct LzmaComponentResult {
    std::uint64_t packed = 0;           // Component.packedSize: the entries' stored sizes
    std::uint64_t blocksOffset = 0;     // output position of the first block
    std::uint64_t entriesOffset = 0;    // output position of the first entry, behind the blocks
    std::uint32_t blockCount = 0;
};

// Throws InputError naming the description's file and line for a file that
// cannot be read or changes while it is read, or for a stored size beyond 4 GiB.
LzmaComponentResult writeLzmaComponent(OutputFile& out, const Description& description, std::size_t index,
                                       LzmaBlockPool& pool, BuildProgress& progress,
                                       const std::function<void(const BuildProgress&)>& report);

}  // namespace mkpackage

#endif
