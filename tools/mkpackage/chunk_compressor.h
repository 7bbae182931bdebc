// One component's zlib stream, fed piece by piece: every piece but the
// component's last ends in a sync flush, so that each chunk decodes on its
// own; the last ends the stream.
#ifndef MKPACKAGE_CHUNK_COMPRESSOR_H
#define MKPACKAGE_CHUNK_COMPRESSOR_H

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace mkpackage {

class ChunkCompressor {
public:
    // Starts a stream with a 15-bit window at the given level.
    explicit ChunkCompressor(int level = Z_BEST_COMPRESSION);
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // Compresses one piece (at most 16,384 bytes) and returns the bytes it
    // produced, valid until the next call. `last` finishes the stream.
    const std::vector<std::uint8_t>& compress(const std::uint8_t* piece, std::size_t size, bool last);

private:
    z_stream stream_{};
    std::vector<std::uint8_t> output_;
    bool finished_ = false;
};

}  // namespace mkpackage

#endif
