// Compresses pieces on a fixed number of worker threads while the caller
// reads the next pieces and writes the finished ones in their order. At most
// a fixed window of pieces is in flight, so memory does not grow with the
// payload. Every piece is compressed from its own bytes alone, so the
// output is the same whatever the number of workers.
#ifndef MKPACKAGE_PIECE_POOL_H
#define MKPACKAGE_PIECE_POOL_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "compress/chunk_compressor.h"

namespace mkpackage {

struct PieceJob {
    // Filled by the caller: the dictionary, then the piece.
    std::vector<std::uint8_t> input;
    std::size_t dictionarySize = 0;
    bool last = false;      // ends the component's stream
    std::size_t file = 0;   // the caller's own marks, carried along
    std::uint32_t chunk = 0;
    // Filled by a worker.
    CompressedPiece result;
    std::exception_ptr failure;

    const std::uint8_t* piece() const { return input.data() + dictionarySize; }
    std::size_t pieceSize() const { return input.size() - dictionarySize; }
};

class PiecePool {
public:
    // `workers` threads (at least 1), with four pieces in flight per worker.
    explicit PiecePool(unsigned workers);
    ~PiecePool();  // stops the workers; pieces still in flight are dropped
    PiecePool(const PiecePool&) = delete;
    PiecePool& operator=(const PiecePool&) = delete;

    bool full() const { return submitted_ - retired_ == jobs_.size(); }
    bool empty() const { return submitted_ == retired_; }

    // The job for the next piece (only when not full); the caller fills its
    // input and marks, then submits it.
    PieceJob& next();
    void submit();

    // Waits until the oldest submitted piece is compressed and returns it;
    // rethrows a worker's failure. pop() frees it for a later piece.
    PieceJob& oldest();
    void pop();

private:
    void work(ChunkCompressor& compressor);
    void stop();

    std::vector<PieceJob> jobs_;  // a ring: piece n lives in jobs_[n % size]
    std::vector<char> done_;
    std::uint64_t submitted_ = 0, taken_ = 0, retired_ = 0;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable workReady_, pieceDone_;
    std::vector<std::unique_ptr<ChunkCompressor>> compressors_;  // one per worker
    std::vector<std::thread> threads_;
};

}  // namespace mkpackage

#endif
