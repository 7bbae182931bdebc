#include "compress/chunk_compressor.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace mkpackage {
namespace {

// Measured on the benchmark payload (bench/) and on text and libraries of
// this machine: memory level 9 packs no smaller and is slower (its larger
// hash table is cleared for every piece); the filtered strategy packs text
// 2 to 4 % and binaries 8 to 16 % larger; a shorter match search
// (deflateTune, chains of 256) saves 15 to 55 % of the time but packs up to
// 0.3 % larger.
constexpr int kLevel = Z_BEST_COMPRESSION;
constexpr int kMemoryLevel = 8;
constexpr int kStrategy = Z_DEFAULT_STRATEGY;
constexpr int kRawWindowBits = -15;  // 32 KiB window, no zlib header or trailer per piece

constexpr std::uint8_t kStoredBlock = 0x00, kFinalStoredBlock = 0x01;

// Writes a stored block's head: its type byte, then the length and its complement.
std::uint8_t* storedHead(std::uint8_t* at, std::uint8_t type, std::size_t length) {
    at[0] = type;
    at[1] = static_cast<std::uint8_t>(length);
    at[2] = static_cast<std::uint8_t>(length >> 8);
    at[3] = static_cast<std::uint8_t>(~length);
    at[4] = static_cast<std::uint8_t>(~length >> 8);
    return at + 5;
}

void storePiece(const std::uint8_t* piece, std::size_t size, bool last, std::vector<std::uint8_t>& out) {
    out.resize(storedLength(size, last));
    std::uint8_t* at = storedHead(out.data(), last ? kFinalStoredBlock : kStoredBlock, size);
    std::copy(piece, piece + size, at);
    // The sync flush's empty stored block; the bytes before it are already
    // aligned, so it is its type byte and 00 00 FF FF.
    if (!last) storedHead(at + size, kStoredBlock, 0);
}

}  // namespace

std::size_t storedLength(std::size_t pieceSize, bool last) { return 5 + pieceSize + (last ? 0 : 5); }

ChunkCompressor::ChunkCompressor() {
    if (deflateInit2(&stream_, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel, kStrategy) != Z_OK) {
        throw std::runtime_error("zlib cannot start compressing");
    }
}

ChunkCompressor::~ChunkCompressor() { deflateEnd(&stream_); }

void ChunkCompressor::compress(const std::uint8_t* input, std::size_t dictionarySize, std::size_t size, bool last,
                               CompressedPiece& out) {
    if (dictionarySize > kDictionarySize) {
        input += dictionarySize - kDictionarySize;
        dictionarySize = kDictionarySize;
    }
    const std::uint8_t* piece = input + dictionarySize;
    out.crc = static_cast<std::uint32_t>(crc32(0, piece, static_cast<uInt>(size)));
    out.adler = static_cast<std::uint32_t>(adler32(1, piece, static_cast<uInt>(size)));
    if (randomCheck_.looksRandom(input, dictionarySize, size)) {
        out.stored = true;
        storePiece(piece, size, last, out.data);
        return;
    }

    // A reset forgets the previous piece: the old bytes left in deflate's
    // window behind the input never decide a match (zlib stops looking at
    // the end of its input, so that its output is deterministic).
    int rc = deflateReset(&stream_);
    if (rc == Z_OK && dictionarySize != 0) {
        rc = deflateSetDictionary(&stream_, input, static_cast<uInt>(dictionarySize));
    }
    // Output room of the stored form: deflate data that does not finish
    // within it is not shorter, and the piece is stored instead.
    const std::size_t room = storedLength(size, last);
    out.data.resize(room);
    stream_.next_in = const_cast<Bytef*>(piece);
    stream_.avail_in = static_cast<uInt>(size);
    stream_.next_out = out.data.data();
    stream_.avail_out = static_cast<uInt>(room);
    if (rc == Z_OK) rc = deflate(&stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
    const std::size_t produced = room - stream_.avail_out;
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
        throw std::runtime_error("zlib reports error " + std::to_string(rc) + " while compressing");
    }
    // A sync flush is complete when deflate leaves room unused; the final
    // block when deflate reports the stream's end.
    const bool complete = last ? rc == Z_STREAM_END : stream_.avail_out != 0;
    out.stored = !complete || produced >= room;
    if (out.stored) {
        storePiece(piece, size, last, out.data);
    } else {
        out.data.resize(produced);
    }
}

const std::array<std::uint8_t, 2> StreamFrame::kHeader = {0x78, 0xDA};  // deflate, 32 KiB window, level 9

void StreamFrame::add(const CompressedPiece& piece, std::size_t pieceSize) {
    adler_ = adler32_combine(adler_, piece.adler, static_cast<z_off_t>(pieceSize));
}

std::array<std::uint8_t, 4> StreamFrame::trailer() const {
    return {static_cast<std::uint8_t>(adler_ >> 24), static_cast<std::uint8_t>(adler_ >> 16),
            static_cast<std::uint8_t>(adler_ >> 8), static_cast<std::uint8_t>(adler_)};
}

}  // namespace mkpackage
