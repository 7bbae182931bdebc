#include "compress/random_check.h"

#include <algorithm>
#include <cstring>

namespace mkpackage {
namespace {

constexpr std::size_t kSmallestJudged = 4096;
constexpr std::size_t kLargestInput = 65535;  // positions + 1 fit 16 bits
constexpr unsigned kHashBits = 15;

// 256 * (sum of squared byte counts) - n * n is about 256 * n for random
// bytes and grows as the counts grow uneven; a Huffman code for the bytes
// gains about that / (11 * n) bytes. Below 512 * n it gains less than the
// code's own description costs.
constexpr std::uint64_t kEvenCounts = 512;

// Random bytes repeat a 4-byte sequence within 48 KiB about once in five
// pieces; a piece with more than 1 in 256 of its positions repeating is worth
// deflate's time.
constexpr std::size_t kRepeatShare = 256;

std::uint32_t hash4(const std::uint8_t* at) {
    const std::uint32_t value = std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
                                std::uint32_t(at[3]) << 24;
    return (value * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

RandomCheck::RandomCheck() : lastSeen_(std::size_t(1) << kHashBits) {}

bool RandomCheck::looksRandom(const std::uint8_t* input, std::size_t dictionarySize, std::size_t size) {
    if (size < kSmallestJudged || dictionarySize + size > kLargestInput) return false;
    const std::uint8_t* piece = input + dictionarySize;
    std::uint32_t counts[256] = {};
    for (std::size_t i = 0; i < size; ++i) ++counts[piece[i]];
    std::uint64_t squares = 0;
    for (const std::uint32_t count : counts) squares += std::uint64_t(count) * count;
    const std::uint64_t n = size;
    if (256 * squares > n * n + kEvenCounts * n) return false;

    std::fill(lastSeen_.begin(), lastSeen_.end(), 0);
    const std::size_t end = dictionarySize + size - 3;  // positions with 4 bytes behind them
    std::size_t repeats = 0;
    for (std::size_t at = 0; at < end; ++at) {
        std::uint16_t& seen = lastSeen_[hash4(input + at)];
        if (at >= dictionarySize && seen != 0 && std::memcmp(input + seen - 1, input + at, 4) == 0) {
            if (++repeats > size / kRepeatShare) return false;
        }
        seen = static_cast<std::uint16_t>(at + 1);
    }
    return true;
}

}  // namespace mkpackage
