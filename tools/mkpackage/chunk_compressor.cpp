#include "chunk_compressor.h"

#include <stdexcept>

namespace mkpackage {

ChunkCompressor::ChunkCompressor(int level) {
    if (deflateInit2(&stream_, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("zlib cannot start compressing");
    }
    output_.reserve(64 * 1024);
}

ChunkCompressor::~ChunkCompressor() { deflateEnd(&stream_); }

const std::vector<std::uint8_t>& ChunkCompressor::compress(const std::uint8_t* piece, std::size_t size, bool last) {
    if (finished_) throw std::logic_error("piece after the end of the component's stream");
    output_.clear();
    stream_.next_in = const_cast<Bytef*>(piece);
    stream_.avail_in = static_cast<uInt>(size);
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    std::uint8_t block[16 * 1024];
    for (;;) {
        stream_.next_out = block;
        stream_.avail_out = sizeof block;
        const int rc = deflate(&stream_, flush);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            throw std::runtime_error("zlib reports error " + std::to_string(rc) + " while compressing");
        }
        output_.insert(output_.end(), block, block + (sizeof block - stream_.avail_out));
        // A sync flush is complete once deflate leaves output room unused;
        // Z_FINISH is complete at the stream end.
        if (last ? rc == Z_STREAM_END : (stream_.avail_out != 0 && stream_.avail_in == 0)) break;
    }
    finished_ = last;
    return output_;
}

}  // namespace mkpackage
