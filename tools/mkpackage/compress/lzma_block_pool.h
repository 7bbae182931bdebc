// Compresses an LZMA component's blocks on a fixed number of worker threads
// while the caller reads the next blocks and writes the finished ones in
// their order. Each block is a stream of its own with a fresh dictionary, so
// the output is the same whatever the number of workers; at most one block
// per worker and one more are in flight, so memory does not grow with the
// payload.
#ifndef MKPACKAGE_LZMA_BLOCK_POOL_H
#define MKPACKAGE_LZMA_BLOCK_POOL_H

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

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
    LzmaBlockPool(unsigned workers, std::uint32_t dictionarySize);
    ~LzmaBlockPool();  // stops the workers; blocks still in flight are dropped
    LzmaBlockPool(const LzmaBlockPool&) = delete;
    LzmaBlockPool& operator=(const LzmaBlockPool&) = delete;

    bool full() const { return submitted_ - retired_ == jobs_.size(); }
    bool empty() const { return submitted_ == retired_; }

    // The job for the next block (only when not full); the caller fills its
    // input, then submits it.
    LzmaBlockJob& next();
    void submit();

    // Waits until the oldest submitted block is compressed and returns it;
    // rethrows a worker's failure. pop() frees it for a later block.
    LzmaBlockJob& oldest();
    void pop();

private:
    void work();
    void stop();

    std::uint32_t dictionarySize_;
    std::vector<LzmaBlockJob> jobs_;  // a ring: block n lives in jobs_[n % size]
    std::vector<char> done_;
    std::uint64_t submitted_ = 0, taken_ = 0, retired_ = 0;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable workReady_, blockDone_;
    std::vector<std::thread> threads_;
};

}  // namespace mkpackage

#endif
