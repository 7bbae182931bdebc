#include "compress/lzma_block_pool.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <LzmaEnc.h>

namespace mkpackage {
namespace {

void* allocate(void*, size_t size) { return std::malloc(size); }
void release(void*, void* address) { std::free(address); }
ISzAlloc allocator = {allocate, release};

}  // namespace

void compressLzmaBlock(const std::vector<std::uint8_t>& input, std::uint32_t dictionarySize, LzmaBlockJob& out) {
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 9;
    props.dictSize = dictionarySize;
    props.reduceSize = static_cast<UInt32>(input.size());
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.numThreads = 1;
    out.packed.resize(fmt::lzmaPackedBound(static_cast<std::uint32_t>(input.size())));
    SizeT packedSize = out.packed.size();
    SizeT propertiesSize = fmt::kLzmaPropertiesSize;
    const SRes result = LzmaEncode(out.packed.data(), &packedSize, input.data(), input.size(), &props,
                                   out.properties, &propertiesSize, 0, nullptr, &allocator, &allocator);
    if (result != SZ_OK || propertiesSize != fmt::kLzmaPropertiesSize)
        throw std::runtime_error("the LZMA encoder fails with code " + std::to_string(result));
    out.packed.resize(packedSize);
}

LzmaBlockPool::LzmaBlockPool(unsigned workers, std::uint32_t dictionarySize)
    : pool_(workers, std::size_t(std::max(workers, 1u)) + 1,
            [dictionarySize](LzmaBlockJob& job, unsigned) { compressLzmaBlock(job.input, dictionarySize, job); }) {}

}  // namespace mkpackage
