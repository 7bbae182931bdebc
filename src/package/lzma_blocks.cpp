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

// Decodes the packed block into `blocks.decoded` in slices, pumping between
// them. The data must fill the block exactly: no byte more or less.
StreamResult decodeBlock(LzmaBlocks& blocks, const fmt::LzmaBlockHeader& header, StreamCallbacks& io) {
    CLzmaDec& decoder = decoderOf(blocks);
    const SRes allocated = LzmaDec_AllocateProbs(&decoder, header.properties, fmt::kLzmaPropertiesSize, &allocator);
    if (allocated == SZ_ERROR_MEM) return kStreamNoMemory;
    if (allocated != SZ_OK) return kStreamCorrupt;
    decoder.dic = blocks.decoded;
    decoder.dicBufSize = header.unpackedSize;
    LzmaDec_Init(&decoder);
    SizeT consumed = 0;
    while (decoder.dicPos < header.unpackedSize) {
        const SizeT limit = header.unpackedSize - decoder.dicPos > kDecodeSlice ? decoder.dicPos + kDecodeSlice
                                                                                : header.unpackedSize;
        SizeT inputLength = header.packedSize - consumed;
        ELzmaStatus status;
        const SizeT before = decoder.dicPos;
        const SRes result = LzmaDec_DecodeToDic(&decoder, limit, blocks.packed + consumed, &inputLength,
                                                LZMA_FINISH_ANY, &status);
        consumed += inputLength;
        if (result != SZ_OK) return kStreamCorrupt;
        if (decoder.dicPos == before && inputLength == 0) return kStreamCorrupt;  // needs more than it has
        io.pump();
    }
    if (consumed != header.packedSize) return kStreamCorrupt;  // data left over
    return kStreamOk;
}

StreamResult readNextBlock(LzmaBlocks& blocks, StreamCallbacks& io) {
    if (blocks.blocksRead >= blocks.method.blockCount) return kStreamCorrupt;  // the blocks are used up
    fmt::LzmaBlockHeader header;
    if (std::uint64_t(blocks.nextOffset) + sizeof header > blocks.entriesOffset) return kStreamCorrupt;
    if (!io.readAt(blocks.nextOffset, &header, sizeof header)) return kStreamCorrupt;
    if (fmt::checkLzmaBlockHeader(header, blocks.method.blockSize) != fmt::LzmaBlockProblem::none)
        return kStreamCorrupt;
    const std::uint64_t dataOffset = std::uint64_t(blocks.nextOffset) + sizeof header;
    if (dataOffset + header.packedSize > blocks.entriesOffset) return kStreamCorrupt;
    if (!io.readAt(static_cast<u32>(dataOffset), blocks.packed, header.packedSize)) return kStreamCorrupt;
    if (crc32(0, blocks.packed, header.packedSize) != header.crc) return kStreamBadCrc;
    const StreamResult decoded = decodeBlock(blocks, header, io);
    if (decoded != kStreamOk) return decoded;
    blocks.nextOffset = static_cast<u32>(dataOffset + header.packedSize);
    ++blocks.blocksRead;
    blocks.decodedSize = header.unpackedSize;
    blocks.taken = 0;
    return kStreamOk;
}

}  // namespace

StreamResult openLzmaBlocks(LzmaBlocks& blocks, const fmt::StreamMethodEntry& method, u32 entriesOffset) {
    if (blocks.capacity < method.blockSize) {
        freeLzmaBlocks(blocks);
        blocks.packed = static_cast<u8*>(std::malloc(fmt::lzmaPackedBound(method.blockSize)));
        blocks.decoded = static_cast<u8*>(std::malloc(method.blockSize));
        blocks.decoder = std::calloc(1, sizeof(CLzmaDec));
        if (blocks.packed == nullptr || blocks.decoded == nullptr || blocks.decoder == nullptr) {
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
    blocks.decodedSize = 0;
    blocks.taken = 0;
    return kStreamOk;
}

void freeLzmaBlocks(LzmaBlocks& blocks) {
    if (blocks.decoder != nullptr) LzmaDec_FreeProbs(&decoderOf(blocks), &allocator);
    std::free(blocks.decoder);
    std::free(blocks.packed);
    std::free(blocks.decoded);
    blocks.decoder = nullptr;
    blocks.packed = nullptr;
    blocks.decoded = nullptr;
    blocks.capacity = 0;
    blocks.decodedSize = 0;
    blocks.taken = 0;
}

StreamResult takeLzmaBytes(LzmaBlocks& blocks, u32 count, StreamCallbacks& io, const u8*& bytes) {
    if (blocks.taken == blocks.decodedSize) {
        const StreamResult result = readNextBlock(blocks, io);
        if (result != kStreamOk) return result;
    }
    if (count > blocks.decodedSize - blocks.taken) return kStreamCorrupt;  // the piece crosses a block's end
    bytes = blocks.decoded + blocks.taken;
    blocks.taken += count;
    return kStreamOk;
}

}  // namespace setup
