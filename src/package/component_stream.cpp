#include "package/component_stream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "format/stored_names.h"

namespace setup {

using fmt::u16;
using fmt::u32;
using fmt::u8;

StreamResult openComponentStream(ComponentStream& stream) {
    if (stream.input == nullptr) {
        stream.input = static_cast<u8*>(std::calloc(1, fmt::kDecodeBufferSize));
        stream.output = static_cast<u8*>(std::calloc(1, fmt::kDecodeBufferSize));
        if (stream.input == nullptr || stream.output == nullptr) return kStreamNoMemory;
    }
    std::memset(&stream.z, 0, sizeof stream.z);
    stream.method = fmt::kStreamMethodZlib;
    const int result = inflateInit(&stream.z);
    if (result == Z_MEM_ERROR) return kStreamNoMemory;
    stream.open = true;
    return kStreamOk;
}

StreamResult openLzmaComponentStream(ComponentStream& stream, const fmt::StreamMethodEntry& method,
                                     u32 entriesOffset, BlockWorker* worker) {
    stream.method = fmt::kStreamMethodLzma;
    return openLzmaBlocks(stream.lzma, method, entriesOffset, worker);
}

void closeComponentStream(ComponentStream& stream) {
    if (stream.open) inflateEnd(&stream.z);
    stream.open = false;
    stream.method = fmt::kStreamMethodZlib;
}

StreamResult readFileEntry(EntryBuffers& entry, StreamCallbacks& io) {
    std::memset(&entry, 0, sizeof entry);
    io.read(&entry.header, sizeof entry.header);
    if (std::memcmp(entry.header.magic, fmt::kFileEntryMagic, 4) != 0) return kStreamCorrupt;
    if (entry.header.nameLength > fmt::kMaxNameLength) return kStreamCorrupt;
    io.read(entry.name, entry.header.nameLength);
    if (std::memchr(entry.name, 0, entry.header.nameLength) != nullptr) return kStreamCorrupt;
    if (fmt::checkStoredName(entry.name) != fmt::StoredNameProblem::none) return kStreamCorrupt;
    return kStreamOk;
}

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// An LZMA component's chunks: each a checksum for the next piece of the
// blocks, checked before the piece is handed on.
StreamResult takeLzmaChunks(ComponentStream& stream, const fmt::FileEntry& entry, const u16* table, u32 chunks,
                            StreamCallbacks& io) {
    u32 remaining = entry.unpackedSize;
    for (u32 i = 0; remaining > 0; ++i) {
        if (i == chunks) return kStreamCorrupt;
        if (table[i] != fmt::kChunkCrcSize) return kStreamCorrupt;
        u32 storedCrc;
        io.read(&storedCrc, sizeof storedCrc);
        const u32 piece = remaining < fmt::kChunkSize ? remaining : fmt::kChunkSize;
        const u8* bytes = nullptr;
        const StreamResult taken = takeLzmaBytes(stream.lzma, piece, io, bytes);
        if (taken != kStreamOk) return taken;
        io.pump();
        if (crc32(0, bytes, piece) != storedCrc) return kStreamBadCrc;
        io.pump();
        io.write(bytes, piece);
        remaining -= piece;
        io.chunkDone(fmt::kChunkCrcSize + 2);
    }
    return kStreamOk;
}

}  // namespace

StreamResult inflateFileData(ComponentStream& stream, const fmt::FileEntry& entry,
                             StreamCallbacks& io) {
    const u32 chunks = fmt::chunkCount(entry.unpackedSize);
    std::unique_ptr<u16[], FreeDeleter> table;
    if (chunks != 0) {
        table.reset(static_cast<u16*>(std::calloc(chunks, sizeof(u16))));
        if (!table) return kStreamNoMemory;
        io.read(table.get(), chunks * static_cast<u32>(sizeof(u16)));
    }

    if (stream.method == fmt::kStreamMethodLzma) return takeLzmaChunks(stream, entry, table.get(), chunks, io);

    // Counted in 64 bits: a file of 2 GiB or more must not read as negative.
    std::int64_t remaining = entry.unpackedSize;
    for (u32 i = 0; remaining > 0; ++i) {
        if (i == chunks) return kStreamCorrupt;  // the table is used up, bytes still owed
        const u32 length = table[i];
        if (length < fmt::kChunkCrcSize || length > fmt::kMaxChunkLength) return kStreamCorrupt;

        u32 storedCrc;
        io.read(&storedCrc, sizeof storedCrc);
        io.read(stream.input, length - fmt::kChunkCrcSize);

        const uLong before = stream.z.total_out;
        stream.z.next_in = stream.input;
        stream.z.avail_in = length - fmt::kChunkCrcSize;
        stream.z.next_out = stream.output;
        stream.z.avail_out = fmt::kDecodeBufferSize;
        const int result = inflate(&stream.z, Z_PARTIAL_FLUSH);
        io.pump();
        if (result == Z_MEM_ERROR) return kStreamNoMemory;
        if (result < 0) return kStreamCorrupt;
        const u32 produced = static_cast<u32>(stream.z.total_out - before);
        if (produced > fmt::kChunkSize) return kStreamCorrupt;
        io.pump();

        if (crc32(0, stream.output, produced) != storedCrc) return kStreamBadCrc;
        io.pump();

        io.write(stream.output, produced);
        remaining -= produced;
        io.chunkDone(length + 2);
    }
    if (remaining < 0) return kStreamCorrupt;  // the chunks gave more than declared
    return kStreamOk;
}

}  // namespace setup
