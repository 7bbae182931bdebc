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

// Runs the decoding of one block away from the caller's thread. start()
// hands the job over and returns at once; finish() returns when it is done,
// pumping through `io` while it waits. The job touches nothing but the block
// buffers: it is given no callbacks (nullptr) on another thread, and the
// caller's `io` (for its pumps) when it runs on the caller's own.
class BlockWorker {
public:
    using Job = void (*)(void* context, StreamCallbacks* io);
    virtual void start(Job job, void* context) = 0;
    virtual void finish(StreamCallbacks& io) = 0;

protected:
    ~BlockWorker() = default;
};

// The block decoded ahead: its header and, once decoded, its result.
struct LzmaAheadBlock {
    bool pending;             // read (or failed before it could be decoded)
    bool decoding;            // handed to the decoder: only the job writes `result` now
    StreamResult result;      // of reading, checking and decoding it
    fmt::LzmaBlockHeader header;
    fmt::u8* target;          // the decoded buffer it goes to
};

struct LzmaBlocks {
    fmt::StreamMethodEntry method;
    fmt::u32 entriesOffset;   // the component's first entry: the blocks end here
    fmt::u32 blocksRead;      // blocks taken so far
    fmt::u32 nextOffset;      // package-relative offset of the next block's header
    fmt::u8* packed;          // lzmaPackedBound(capacity) bytes
    fmt::u8* decoded[2];      // capacity bytes each: the current block and the one ahead
    fmt::u8* current;         // one of them: the block the chunks take from
    fmt::u32 capacity;        // the block size the buffers were made for
    fmt::u32 decodedSize;     // bytes of the current block
    fmt::u32 taken;           // bytes of it the chunks have taken
    void* decoder;            // the LZMA decoder's state, made with the buffers
    BlockWorker* worker;      // nullptr: blocks are decoded on the caller's thread
    LzmaAheadBlock ahead;
};

// Starts the blocks of a component whose first entry lies at
// `entriesOffset`. Keeps the buffers of an earlier component when they are
// large enough, else makes new ones: kStreamNoMemory when there is no memory.
// With a `worker`, the next block is decoded by it while the chunks take
// the bytes of the current one; the worker must be idle.
StreamResult openLzmaBlocks(LzmaBlocks& blocks, const fmt::StreamMethodEntry& method, fmt::u32 entriesOffset,
                            BlockWorker* worker = nullptr);

// Waits for a block the worker still decodes; call before the component's
// buffers are reused or freed. Harmless when nothing is pending.
void settleLzmaBlocks(LzmaBlocks& blocks, StreamCallbacks& io);

// Releases the buffers and the decoder; harmless when nothing is open.
void freeLzmaBlocks(LzmaBlocks& blocks);

// The next `count` bytes of the component (one piece: 1 to 16,384), taken
// from the current block or, when it is used up, from the next one, which
// the worker decoded meanwhile (or which is decoded now, pumping between
// slices of it); the block after it is then read and handed to the worker.
// A piece must lie in one block. A damaged block is reported when its first
// piece is taken, never before. kStreamCorrupt for a block that cannot be read, has a bad
// header, lies beyond the entries, fails to decode or does not hold the
// piece; kStreamBadCrc when a block's data differs from its checksum;
// kStreamNoMemory when the decoder has no memory.
StreamResult takeLzmaBytes(LzmaBlocks& blocks, fmt::u32 count, StreamCallbacks& io, const fmt::u8*& bytes);

}  // namespace setup

#endif
