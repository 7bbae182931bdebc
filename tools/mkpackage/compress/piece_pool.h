// Compresses pieces on a fixed number of worker threads while the caller
// reads the next pieces and writes the finished ones in their order. At most
// a fixed window of pieces is in flight, so memory does not grow with the
// payload. Every piece is compressed from its own bytes alone, so the
// output is the same whatever the number of workers.
#ifndef MKPACKAGE_PIECE_POOL_H
#define MKPACKAGE_PIECE_POOL_H

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "compress/chunk_compressor.h"
#include "compress/ordered_pool.h"

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
    PiecePool(const PiecePool&) = delete;
    PiecePool& operator=(const PiecePool&) = delete;

    bool full() const { return pool_.full(); }
    bool empty() const { return pool_.empty(); }
    // The job for the next piece (only when not full); the caller fills its
    // input and marks, then submits it.
    PieceJob& next() { return pool_.next(); }
    void submit() { pool_.submit(); }
    // Waits until the oldest submitted piece is compressed and returns it;
    // rethrows a worker's failure. pop() frees it for a later piece.
    PieceJob& oldest() { return pool_.oldest(); }
    void pop() { pool_.pop(); }

private:
    std::vector<std::unique_ptr<ChunkCompressor>> compressors_;  // one per worker
    OrderedPool<PieceJob> pool_;  // after the compressors it uses; stopped first
};

}  // namespace mkpackage

#endif
