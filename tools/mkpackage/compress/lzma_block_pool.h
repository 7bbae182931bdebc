// Compresses an LZMA component's blocks on a fixed number of worker threads
// while the caller reads the next blocks and writes the finished ones in
// their order. Each block is a stream of its own with a fresh dictionary, so
// the output is the same whatever the number of workers; at most one block
// per worker and one more are in flight, so memory does not grow with the
// payload.
#ifndef MKPACKAGE_LZMA_BLOCK_POOL_H
#define MKPACKAGE_LZMA_BLOCK_POOL_H

#include <cstdint>
#include <exception>
#include <vector>

#include "compress/ordered_pool.h"
#include "format/stream_methods.h"

namespace mkpackage {

struct LzmaBlockJob {
    std::vector<std::uint8_t> input;  // filled by the caller: the block's unpacked bytes
    // Filled by a worker.
    std::vector<std::uint8_t> packed;  // LZMA data, without properties or end mark
    std::uint8_t properties[fmt::kLzmaPropertiesSize] = {};
    std::exception_ptr failure;
};

// Compresses `input` as one block with a dictionary of `dictionarySize`
// bytes. Throws std::runtime_error when the encoder fails or its output
// would exceed fmt::lzmaPackedBound.
void compressLzmaBlock(const std::vector<std::uint8_t>& input, std::uint32_t dictionarySize, LzmaBlockJob& out);

class LzmaBlockPool {
public:
    // `workers` threads (at least 1), one block in flight per worker and one more.
    LzmaBlockPool(unsigned workers, std::uint32_t dictionarySize);
    LzmaBlockPool(const LzmaBlockPool&) = delete;
    LzmaBlockPool& operator=(const LzmaBlockPool&) = delete;

    bool full() const { return pool_.full(); }
    bool empty() const { return pool_.empty(); }
    // The job for the next block (only when not full); the caller fills its
    // input, then submits it.
    LzmaBlockJob& next() { return pool_.next(); }
    void submit() { pool_.submit(); }
    // Waits until the oldest submitted block is compressed and returns it;
    // rethrows a worker's failure. pop() frees it for a later block.
    LzmaBlockJob& oldest() { return pool_.oldest(); }
    void pop() { pool_.pop(); }

private:
    OrderedPool<LzmaBlockJob> pool_;
};

}  // namespace mkpackage

#endif
