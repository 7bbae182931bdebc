#include "compress/piece_pool.h"

#include <algorithm>

namespace mkpackage {
namespace {

// Room for the pieces a worker finishes while the oldest one is still being
// compressed: pieces of text take several times as long as random ones.
constexpr unsigned kPiecesPerWorker = 4;

std::vector<std::unique_ptr<ChunkCompressor>> makeCompressors(unsigned workers) {
    // Made first, so that a compressor that cannot start fails the caller.
    std::vector<std::unique_ptr<ChunkCompressor>> compressors;
    for (unsigned i = 0; i < std::max(workers, 1u); ++i) compressors.push_back(std::make_unique<ChunkCompressor>());
    return compressors;
}

}  // namespace

PiecePool::PiecePool(unsigned workers)
    : compressors_(makeCompressors(workers)),
      pool_(workers, std::size_t(std::max(workers, 1u)) * kPiecesPerWorker, [this](PieceJob& job, unsigned worker) {
          compressors_[worker]->compress(job.input.data(), job.dictionarySize, job.pieceSize(), job.last, job.result);
      }) {}

}  // namespace mkpackage
