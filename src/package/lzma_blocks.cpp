#include "package/lzma_blocks.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include <LzmaDec.h>

#include "package/component_stream.h"

namespace setup {

using fmt::u32;
using fmt::u8;

namespace {

// Decoded bytes between two pumps: a few milliseconds of work.
constexpr u32 kDecodeSlice = 256 * 1024;

void* allocate(void*, size_t size) { return std::malloc(size); }
void release(void*, void* address) { std::free(address); }
ISzAlloc allocator = {allocate, release};

CLzmaDec& decoderOf(LzmaBlocks& blocks) { return *static_cast<CLzmaDec*>(blocks.decoder); }

// Decodes the packed block ahead into its target in slices, pumping between
// them when `io` is given. The data must fill the block exactly: no byte
// more or less. Runs on the worker's thread: it allocates nothing and calls
// nothing but the decoder.
void decodeAhead(void* context, StreamCallbacks* io) {
    LzmaBlocks& blocks = *static_cast<LzmaBlocks*>(context);
    const fmt::LzmaBlockHeader& header = blocks.ahead.header;
    CLzmaDec& decoder = decoderOf(blocks);
    decoder.dic = blocks.ahead.target;
    decoder.dicBufSize = header.unpackedSize;
    LzmaDec_Init(&decoder);
    SizeT consumed = 0;
    // The result is written once, at the end: the caller reads it after finish().
    StreamResult result = kStreamCorrupt;
    while (decoder.dicPos < header.unpackedSize) {
        const SizeT limit = header.unpackedSize - decoder.dicPos > kDecodeSlice ? decoder.dicPos + kDecodeSlice
                                                                                : header.unpackedSize;
        SizeT inputLength = header.packedSize - consumed;
        ELzmaStatus status;
        const SizeT before = decoder.dicPos;
        const SRes decoded = LzmaDec_DecodeToDic(&decoder, limit, blocks.packed + consumed, &inputLength,
                                                 LZMA_FINISH_ANY, &status);
        consumed += inputLength;
        if (decoded != SZ_OK) break;
        if (decoder.dicPos == before && inputLength == 0) break;  // needs more than it has
        if (io != nullptr) io->pump();
    }
    // No byte left over, none missing.
    if (decoder.dicPos == header.unpackedSize && consumed == header.packedSize) result = kStreamOk;
    blocks.ahead.result = result;
}

// Reads the next block's header and data on the caller's thread, checks
// them and hands the decoding to the worker (or keeps it for finishAhead).
// A failure is kept for when the block is needed.
void startAhead(LzmaBlocks& blocks, StreamCallbacks& io) {
    LzmaAheadBlock& ahead = blocks.ahead;
    ahead.pending = true;
    ahead.decoding = false;
    ahead.result = kStreamCorrupt;
    ahead.target = blocks.current == blocks.decoded[0] ? blocks.decoded[1] : blocks.decoded[0];
    fmt::LzmaBlockHeader& header = ahead.header;
    if (std::uint64_t(blocks.nextOffset) + sizeof header > blocks.entriesOffset) return;
    if (!io.readAt(blocks.nextOffset, &header, sizeof header)) return;
    if (fmt::checkLzmaBlockHeader(header, blocks.method.blockSize) != fmt::LzmaBlockProblem::none) return;
    const std::uint64_t dataOffset = std::uint64_t(blocks.nextOffset) + sizeof header;
    if (dataOffset + header.packedSize > blocks.entriesOffset) return;
    if (!io.readAt(static_cast<u32>(dataOffset), blocks.packed, header.packedSize)) return;
    if (crc32(0, blocks.packed, header.packedSize) != header.crc) {
        ahead.result = kStreamBadCrc;
        return;
    }
    const SRes allocated = LzmaDec_AllocateProbs(&decoderOf(blocks), header.properties, fmt::kLzmaPropertiesSize,
                                                 &allocator);
    if (allocated != SZ_OK) {
        ahead.result = allocated == SZ_ERROR_MEM ? kStreamNoMemory : kStreamCorrupt;
        return;
    }
    blocks.nextOffset = static_cast<u32>(dataOffset + header.packedSize);
    ++blocks.blocksRead;
    ahead.decoding = true;
    if (blocks.worker != nullptr) blocks.worker->start(decodeAhead, &blocks);
}

// The block ahead, decoded: by the worker, or here when there is none.
StreamResult finishAhead(LzmaBlocks& blocks, StreamCallbacks& io) {
    LzmaAheadBlock& ahead = blocks.ahead;
    ahead.pending = false;
    if (!ahead.decoding) return ahead.result;  // it never reached the decoder
    ahead.decoding = false;
    if (blocks.worker != nullptr) blocks.worker->finish(io);
    else decodeAhead(&blocks, &io);
    return ahead.result;
}

}  // namespace

StreamResult openLzmaBlocks(LzmaBlocks& blocks, const fmt::StreamMethodEntry& method, u32 entriesOffset,
                            BlockWorker* worker) {
    if (blocks.capacity < method.blockSize) {
        freeLzmaBlocks(blocks);
        blocks.packed = static_cast<u8*>(std::malloc(fmt::lzmaPackedBound(method.blockSize)));
        blocks.decoded[0] = static_cast<u8*>(std::malloc(method.blockSize));
        blocks.decoded[1] = static_cast<u8*>(std::malloc(method.blockSize));
        blocks.decoder = std::calloc(1, sizeof(CLzmaDec));
        if (blocks.packed == nullptr || blocks.decoded[0] == nullptr || blocks.decoded[1] == nullptr ||
            blocks.decoder == nullptr) {
            freeLzmaBlocks(blocks);
            return kStreamNoMemory;
        }
        LzmaDec_Construct(&decoderOf(blocks));
        blocks.capacity = method.blockSize;
    }
    blocks.method = method;
    blocks.entriesOffset = entriesOffset;
    blocks.blocksRead = 0;
    blocks.nextOffset = method.blocksOffset;
    blocks.current = blocks.decoded[0];
    blocks.decodedSize = 0;
    blocks.taken = 0;
    blocks.worker = worker;
    blocks.ahead = LzmaAheadBlock{};
    return kStreamOk;
}

void settleLzmaBlocks(LzmaBlocks& blocks, StreamCallbacks& io) {
    if (blocks.ahead.decoding && blocks.worker != nullptr) blocks.worker->finish(io);
    blocks.ahead.pending = false;
    blocks.ahead.decoding = false;
}

void freeLzmaBlocks(LzmaBlocks& blocks) {
    if (blocks.decoder != nullptr) LzmaDec_FreeProbs(&decoderOf(blocks), &allocator);
    std::free(blocks.decoder);
    std::free(blocks.packed);
    std::free(blocks.decoded[0]);
    std::free(blocks.decoded[1]);
    blocks.decoder = nullptr;
    blocks.packed = nullptr;
    blocks.decoded[0] = blocks.decoded[1] = blocks.current = nullptr;
    blocks.capacity = 0;
    blocks.decodedSize = 0;
    blocks.taken = 0;
    blocks.ahead = LzmaAheadBlock{};
}

StreamResult takeLzmaBytes(LzmaBlocks& blocks, u32 count, StreamCallbacks& io, const u8*& bytes) {
    if (blocks.taken == blocks.decodedSize) {
        if (!blocks.ahead.pending) {
            if (blocks.blocksRead >= blocks.method.blockCount) return kStreamCorrupt;  // the blocks are used up
            startAhead(blocks, io);
        }
        const StreamResult result = finishAhead(blocks, io);
        if (result != kStreamOk) return result;
        blocks.current = blocks.ahead.target;
        blocks.decodedSize = blocks.ahead.header.unpackedSize;
        blocks.taken = 0;
        // The next block is read now and decoded while this one's files are written.
        if (blocks.blocksRead < blocks.method.blockCount) startAhead(blocks, io);
    }
    if (count > blocks.decodedSize - blocks.taken) return kStreamCorrupt;  // the piece crosses a block's end
    bytes = blocks.current + blocks.taken;
    blocks.taken += count;
    return kStreamOk;
}

}  // namespace setup
