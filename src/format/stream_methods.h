// How a component's stream is stored when it is not the one zlib stream of
// the original layout. The extension record kExtensionStreamMethods holds one
// StreamMethodEntry per component, in component order; a package without the
// record stores every component with zlib, and the builder writes the record
// only when some component uses another method, so a zlib package stays byte
// for byte what it was.
//
// An LZMA component keeps its entries as they are (header, name, chunk table,
// a CRC-32 for each piece of 16 KiB), but each chunk is its 4-byte checksum
// alone: the compressed bytes lie in blocks in front of the entries.
//
//   StreamMethodEntry.blocksOffset  LzmaBlockHeader (24)   "LZBK", sizes, crc, properties
//                                   LZMA data (packedSize bytes)
//                                   LzmaBlockHeader ...    blockCount blocks in all
//   Component.firstEntryOffset      FileEntry ...          the blocks end exactly here
//
// Each block is a self-contained LZMA stream (its properties in its header,
// its unpacked size known, no end marker) of whole pieces in storage order,
// at most StreamMethodEntry.blockSize bytes. The dictionary starts afresh in
// every block: the builder compresses blocks in parallel, and the setup
// program decodes each into a buffer of blockSize bytes, which is also the
// dictionary. A block's crc covers its LZMA data, so a flipped bit there is a
// checksum failure before any byte is decoded; each piece's own CRC-32 is
// checked as it is written.
// Portable C++, no allocation: the setup program uses it too.
#ifndef FORMAT_STREAM_METHODS_H
#define FORMAT_STREAM_METHODS_H

#include <cstddef>

#include "format/package_format.h"

namespace fmt {

enum StreamMethod : u8 {
    kStreamMethodZlib = 0,
    kStreamMethodLzma = 1,
};

// An LZMA block's size, and so the setup program's decoding buffers: it holds
// three of them (two decoded blocks and one packed). At the largest they take
// 36.4 MiB, which keeps the whole program below 64 MiB.
inline constexpr u32 kMinLzmaBlockSize = 64u * 1024;
inline constexpr u32 kMaxLzmaBlockSize = 12u * 1024 * 1024;
inline constexpr u32 kDefaultLzmaBlockSize = 8u * 1024 * 1024;
inline constexpr u32 kLzmaPropertiesSize = 5;

inline constexpr char kLzmaBlockMagic[4] = {'L', 'Z', 'B', 'K'};

#pragma pack(push, 1)

struct StreamMethodEntry {
    u8 method;         // StreamMethod
    u8 reserved[3];    // 0
    u32 blockSize;     // LZMA: the largest unpacked size of a block; zlib: 0
    u32 blocksOffset;  // LZMA: package-relative offset of the first block; zlib: 0
    u32 blockCount;    // LZMA: blocks before the first entry; zlib: 0
};

struct LzmaBlockHeader {
    char magic[4];         // "LZBK"
    u32 unpackedSize;      // 1 .. StreamMethodEntry.blockSize
    u32 packedSize;        // LZMA data that follows, at most lzmaPackedBound(unpackedSize)
    u32 crc;               // zlib crc32 of the LZMA data, from 0
    u8 properties[kLzmaPropertiesSize];  // lc/lp/pb byte, then the dictionary size (not used)
    u8 reserved[3];        // 0
};

#pragma pack(pop)

static_assert(sizeof(StreamMethodEntry) == 16);
static_assert(offsetof(StreamMethodEntry, blockSize) == 4);
static_assert(offsetof(StreamMethodEntry, blocksOffset) == 8);
static_assert(offsetof(StreamMethodEntry, blockCount) == 12);
static_assert(sizeof(LzmaBlockHeader) == 24);
static_assert(offsetof(LzmaBlockHeader, unpackedSize) == 4);
static_assert(offsetof(LzmaBlockHeader, packedSize) == 8);
static_assert(offsetof(LzmaBlockHeader, crc) == 12);
static_assert(offsetof(LzmaBlockHeader, properties) == 16);

// LZMA data never needs more than this for `unpackedSize` bytes: even
// random bytes grow by far less than the margin.
constexpr u32 lzmaPackedBound(u32 unpackedSize) { return unpackedSize + unpackedSize / 32 + 1024; }

// The methods of a package's components, zlib for each unless the record
// says otherwise.
struct StreamMethods {
    u32 count = 0;
    StreamMethodEntry entries[kMaxComponents] = {};
};

enum class StreamMethodsProblem {
    none,
    badSize,       // not one 16-byte entry per component
    badMethod,     // a method this version does not know, or reserved bytes set
    badBlockSize,  // an LZMA block size outside kMinLzmaBlockSize..kMaxLzmaBlockSize
    badBlocks,     // a zlib entry with block fields, or blocks that cannot lie before the entries
};

// Reads a stream-methods record of `size` bytes for `componentCount`
// components into `out`. On a problem `out` holds zlib for every component.
StreamMethodsProblem readStreamMethods(const u8* data, std::size_t size, u32 componentCount, StreamMethods& out);

const char* streamMethodsProblemText(StreamMethodsProblem problem);

// The method of component `index`: zlib for one the record does not cover.
u8 streamMethodOf(const StreamMethods& methods, u32 index);

// "zlib", "lzma", or "unknown".
const char* streamMethodName(u8 method);

enum class LzmaBlockProblem {
    none,
    badMagic,       // no "LZBK"
    badSize,        // unpacked size 0 or above the block size, packed size 0 or above its bound
    badProperties,  // lc/lp/pb out of range, lc + lp above 4, or reserved bytes set
};

// Checks a block header against its component's block size before anything
// is read or allocated for the block.
LzmaBlockProblem checkLzmaBlockHeader(const LzmaBlockHeader& header, u32 blockSize);

const char* lzmaBlockProblemText(LzmaBlockProblem problem);

}  // namespace fmt

#endif
