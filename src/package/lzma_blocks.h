// The blocks of an LZMA component (format/stream_methods.h): read in order
// through the caller's callbacks, each checked against its header bounds and
// its checksum, then decoded whole into a buffer of the component's block
// size, from which the entries' chunks take their bytes in turn. Portable:
// the setup program, the verifier's tests and the fuzz targets use it alike.
#ifndef PACKAGE_LZMA_BLOCKS_H
#define PACKAGE_LZMA_BLOCKS_H

#include "format/stream_methods.h"

namespace setup {

class StreamCallbacks;
enum StreamResult : unsigned;

struct LzmaBlocks {
    fmt::StreamMethodEntry method;
    fmt::u32 entriesOffset;   // the component's first entry: the blocks end here
    fmt::u32 blocksRead;      // blocks taken so far
    fmt::u32 nextOffset;      // package-relative offset of the next block's header
    fmt::u8* packed;          // lzmaPackedBound(capacity) bytes
    fmt::u8* decoded;         // capacity bytes
    fmt::u32 capacity;        // the block size the buffers were made for
    fmt::u32 decodedSize;     // bytes of the current block
    fmt::u32 taken;           // bytes of it the chunks have taken
    void* decoder;            // the LZMA decoder's state, made with the buffers
};

// Starts the blocks of a component whose first entry lies at
// `entriesOffset`. Keeps the buffers of an earlier component when they are
// large enough, else makes new ones: kStreamNoMemory when there is no memory.
StreamResult openLzmaBlocks(LzmaBlocks& blocks, const fmt::StreamMethodEntry& method, fmt::u32 entriesOffset);

// Releases the buffers and the decoder; harmless when nothing is open.
void freeLzmaBlocks(LzmaBlocks& blocks);

// The next `count` bytes of the component (one piece: 1 to 16,384), taken
// from the current block or, when it is used up, from the next one, which is
// read and decoded first (pumping between slices of it). A piece must lie in
// one block. kStreamCorrupt for a block that cannot be read, has a bad
// header, lies beyond the entries, fails to decode or does not hold the
// piece; kStreamBadCrc when a block's data differs from its checksum;
// kStreamNoMemory when the decoder has no memory.
StreamResult takeLzmaBytes(LzmaBlocks& blocks, fmt::u32 count, StreamCallbacks& io, const fmt::u8*& bytes);

}  // namespace setup

#endif
