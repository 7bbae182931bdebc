// One component's zlib stream, made of pieces compressed one by one and in
// any order: each 16 KiB piece becomes raw deflate data primed with the
// 32 KiB of the component's input before it, ending in a sync flush (the
// component's last piece in the final block). Joined in order behind the
// stream header and followed by the Adler-32 of the whole input, the pieces
// form the one zlib stream the setup program decodes chunk by chunk.
#ifndef MKPACKAGE_CHUNK_COMPRESSOR_H
#define MKPACKAGE_CHUNK_COMPRESSOR_H

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "compress/random_check.h"

namespace mkpackage {

// A preset dictionary longer than deflate's window gains nothing.
inline constexpr std::size_t kDictionarySize = 32 * 1024;

struct CompressedPiece {
    std::vector<std::uint8_t> data;  // raw deflate, no stream header or trailer
    std::uint32_t crc = 0;           // CRC-32 of the piece
    std::uint32_t adler = 1;         // Adler-32 of the piece
    bool stored = false;             // kept in a stored block: deflate gained nothing
};

// The deflate data of a piece kept as it is: one stored block, then the
// empty block of the sync flush, or the final stored block when `last`.
std::size_t storedLength(std::size_t pieceSize, bool last);

class ChunkCompressor {
public:
    ChunkCompressor();  // throws std::runtime_error when zlib cannot start
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // Compresses the piece of `size` bytes (1 to 16,384) that follows
    // `dictionarySize` bytes in `input`, primed with them (the input before
    // the piece, at most 32 KiB are used; none at the component's start).
    // The result depends on these bytes alone, never on earlier calls. A
    // piece that looks random, or whose deflate data would not be shorter
    // than its stored form, is stored. Throws std::runtime_error when zlib
    // fails.
    void compress(const std::uint8_t* input, std::size_t dictionarySize, std::size_t size, bool last,
                  CompressedPiece& out);

private:
    z_stream stream_{};  // reset for every piece
    RandomCheck randomCheck_;
};

// The frame of a component's stream: the two header bytes before the first
// piece, and the Adler-32 of all pieces, combined in order, after the last.
class StreamFrame {
public:
    static const std::array<std::uint8_t, 2> kHeader;

    void add(const CompressedPiece& piece, std::size_t pieceSize);
    std::array<std::uint8_t, 4> trailer() const;  // big-endian, as zlib writes it

private:
    uLong adler_ = 1;
};

}  // namespace mkpackage

#endif
