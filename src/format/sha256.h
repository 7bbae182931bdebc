// SHA-256 of a byte stream fed in pieces: the digests `mkpackage inspect
// --json` gives of every stored file, and the digest of the uninstall log
// that the setup program records and both programs check. No allocation but
// in hexDigest().
#ifndef FORMAT_SHA256_H
#define FORMAT_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fmt {

// 64 lower-case hex digits and a terminator.
inline constexpr std::size_t kSha256HexSize = 65;

class Sha256 {
public:
    Sha256();
    void add(const void* data, std::size_t size);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    void finish(char (&hex)[kSha256HexSize]);
    std::string hexDigest();

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> block_{};
    std::size_t blockUsed_ = 0;
    std::uint64_t totalBytes_ = 0;
};

// The digest of `size` bytes in one call.
void sha256Hex(const void* data, std::size_t size, char (&hex)[kSha256HexSize]);

}  // namespace fmt

#endif
