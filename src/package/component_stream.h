// Decoding the stored files of one component: the entry header and name, then
// the entry's chunks from the component's single zlib stream, or from its
// LZMA blocks (format/stream_methods.h). Portable: the
// reads, writes, progress and message pumping are the caller's callbacks, and
// failures come back as error codes that the caller raises.
#ifndef PACKAGE_COMPONENT_STREAM_H
#define PACKAGE_COMPONENT_STREAM_H

#include <zlib.h>

#include "format/package_format.h"
#include "package/lzma_blocks.h"

namespace setup {

// Error codes the decoder reports; the values are the installer's error codes.
enum StreamResult : unsigned {
    kStreamOk = 0,
    kStreamCorrupt = 1,   // bad magic, bad length, inflate error, size mismatch
    kStreamNoMemory = 6,  // zlib or the chunk table could not get memory
    kStreamBadCrc = 8,    // a chunk's CRC-32 differs from its bytes
};

// The current entry: header and name, zero-filled before each entry so the
// name is always terminated. They stay until the next entry is read.
struct EntryBuffers {
    fmt::FileEntry header;
    char name[fmt::kMaxPath];
};

class StreamCallbacks {
public:
    // Reads exactly `count` bytes at the package's current position; a short
    // read does not return (the caller raises its own failure).
    virtual void read(void* buffer, fmt::u32 count) = 0;
    // Takes the bytes of one decoded chunk (written, or dropped for a skipped file).
    virtual void write(const fmt::u8* bytes, fmt::u32 count) = 0;
    // One chunk is done: `packedBytes` (its length plus its table value) were consumed.
    virtual void chunkDone(fmt::u32 packedBytes) = 0;
    // Handles waiting window messages without blocking.
    virtual void pump() = 0;
    // Reads exactly `count` bytes at a package-relative offset, leaving the
    // position of read() where it was: an LZMA component's blocks. False when
    // they cannot all be read.
    virtual bool readAt(fmt::u32 offset, void* buffer, fmt::u32 count) {
        (void)offset, (void)buffer, (void)count;
        return false;
    }

protected:
    ~StreamCallbacks() = default;
};

// The stream state of one component and the two 32 KiB decoding buffers,
// which are allocated on first use and kept; an LZMA component's block
// buffers are kept the same way.
struct ComponentStream {
    z_stream z;
    bool open;
    fmt::u8* input;
    fmt::u8* output;
    fmt::u8 method;  // fmt::StreamMethod of the open component
    LzmaBlocks lzma;
};

// Starts a component: clears the stream state and initialises inflation with
// a 15-bit window and the zlib header. kStreamNoMemory when zlib has no memory.
StreamResult openComponentStream(ComponentStream& stream);

// Starts an LZMA component whose first entry lies at `entriesOffset`, its
// blocks as `method` places them, decoded ahead by `worker` when one is
// given. kStreamNoMemory when the block buffers cannot be made.
StreamResult openLzmaComponentStream(ComponentStream& stream, const fmt::StreamMethodEntry& method,
                                     fmt::u32 entriesOffset, BlockWorker* worker = nullptr);

// Ends inflation and releases zlib's state; harmless when not open.
void closeComponentStream(ComponentStream& stream);

// Reads the next entry header and name into `entry`. Refuses, before reading
// the name, a header that is not "FILE" or a name longer than 259 bytes, and
// after reading it a name the stored-name rule refuses (absolute, a drive,
// climbing out of the destination, a device): a package must never write
// outside its destination.
StreamResult readFileEntry(EntryBuffers& entry, StreamCallbacks& io);

// Decodes the current entry's chunks, one inflate call per chunk, checking
// every length, size and CRC-32 before handing the bytes on. The loop is
// governed by the entry's byte count, not by its chunk count. In an LZMA
// component every chunk is its checksum alone (length 4) and its bytes come
// from the component's blocks.
StreamResult inflateFileData(ComponentStream& stream, const fmt::FileEntry& entry,
                             StreamCallbacks& io);

}  // namespace setup

#endif
