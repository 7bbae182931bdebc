#include "engine/log/log_digest.h"

#include <cstring>

#include "format/sha256.h"

namespace setup {

LogTrust judgeLogDigest(const fmt::u8* bytes, std::size_t size, const char* recorded) {
    if (recorded[0] == '\0') return LogTrust::noDigest;
    char digest[fmt::kSha256HexSize];
    fmt::sha256Hex(bytes, size, digest);
    // The computed text is always 64 lower-case digits: a recorded one of
    // another form differs from it.
    return std::strcmp(digest, recorded) == 0 ? LogTrust::trusted : LogTrust::damaged;
}

}  // namespace setup
