// SHA-256 of a byte stream fed in pieces, for the digests `inspect --json`
// gives of every stored file's unpacked bytes.
#ifndef MKPACKAGE_SHA256_H
#define MKPACKAGE_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mkpackage {

class Sha256 {
public:
    Sha256();
    void add(const void* data, std::size_t size);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> block_{};
    std::size_t blockUsed_ = 0;
    std::uint64_t totalBytes_ = 0;
};

}  // namespace mkpackage

#endif
