#include "format/stream_methods.h"

#include <cstring>

namespace fmt {

namespace {

bool zeros(const u8* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

}  // namespace

StreamMethodsProblem readStreamMethods(const u8* data, std::size_t size, u32 componentCount, StreamMethods& out) {
    out = StreamMethods{};
    if (componentCount > kMaxComponents || size != std::size_t(componentCount) * sizeof(StreamMethodEntry))
        return StreamMethodsProblem::badSize;
    StreamMethods read;
    read.count = componentCount;
    for (u32 i = 0; i < componentCount; ++i) {
        StreamMethodEntry& entry = read.entries[i];
        std::memcpy(&entry, data + std::size_t(i) * sizeof entry, sizeof entry);
        if (!zeros(entry.reserved, sizeof entry.reserved)) return StreamMethodsProblem::badMethod;
        if (entry.method == kStreamMethodZlib) {
            if (entry.blockSize != 0 || entry.blocksOffset != 0 || entry.blockCount != 0)
                return StreamMethodsProblem::badBlocks;
        } else if (entry.method == kStreamMethodLzma) {
            if (entry.blockSize < kMinLzmaBlockSize || entry.blockSize > kMaxLzmaBlockSize)
                return StreamMethodsProblem::badBlockSize;
            // Each block takes at least its header: more blocks than that
            // cannot fit in front of the entries within 4 GiB.
            if (entry.blockCount != 0 &&
                (entry.blocksOffset < sizeof(PackageHeader) ||
                 std::uint64_t(entry.blockCount) * sizeof(LzmaBlockHeader) > 0xFFFFFFFFull - entry.blocksOffset))
                return StreamMethodsProblem::badBlocks;
        } else {
            return StreamMethodsProblem::badMethod;
        }
    }
    out = read;
    return StreamMethodsProblem::none;
}

const char* streamMethodsProblemText(StreamMethodsProblem problem) {
    switch (problem) {
    case StreamMethodsProblem::none: return "sound";
    case StreamMethodsProblem::badSize: return "does not hold one 16-byte entry per component";
    case StreamMethodsProblem::badMethod: return "names a method this version does not know";
    case StreamMethodsProblem::badBlockSize: return "gives an LZMA block size outside 64 KiB..12 MiB";
    case StreamMethodsProblem::badBlocks: return "places blocks where they cannot lie";
    }
    return "is damaged";
}

u8 streamMethodOf(const StreamMethods& methods, u32 index) {
    return index < methods.count && index < kMaxComponents ? methods.entries[index].method : kStreamMethodZlib;
}

const char* streamMethodName(u8 method) {
    switch (method) {
    case kStreamMethodZlib: return "zlib";
    case kStreamMethodLzma: return "lzma";
    }
    return "unknown";
}

LzmaBlockProblem checkLzmaBlockHeader(const LzmaBlockHeader& header, u32 blockSize) {
    if (std::memcmp(header.magic, kLzmaBlockMagic, sizeof kLzmaBlockMagic) != 0) return LzmaBlockProblem::badMagic;
    if (header.unpackedSize == 0 || header.unpackedSize > blockSize || header.packedSize == 0 ||
        header.packedSize > lzmaPackedBound(header.unpackedSize))
        return LzmaBlockProblem::badSize;
    // The first property byte is (pb * 5 + lp) * 9 + lc. The literal coder's
    // tables grow with lc + lp; 4 keeps them a few KiB.
    const u32 d = header.properties[0];
    if (d >= 9 * 5 * 5) return LzmaBlockProblem::badProperties;
    const u32 lc = d % 9, lp = (d / 9) % 5;
    if (lc + lp > 4 || !zeros(header.reserved, sizeof header.reserved)) return LzmaBlockProblem::badProperties;
    return LzmaBlockProblem::none;
}

const char* lzmaBlockProblemText(LzmaBlockProblem problem) {
    switch (problem) {
    case LzmaBlockProblem::none: return "sound";
    case LzmaBlockProblem::badMagic: return "does not begin with \"LZBK\"";
    case LzmaBlockProblem::badSize: return "has a size outside its bounds";
    case LzmaBlockProblem::badProperties: return "has LZMA properties this reader does not take";
    }
    return "is damaged";
}

}  // namespace fmt
