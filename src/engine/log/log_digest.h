// The digest that makes a log file on disk trustworthy. The log lies in the
// install folder, which users may be able to write; the setup program
// records the SHA-256 of the bytes it wrote as "UnInstallLogSHA256" beside
// "UnInstallLog" under the product's HKEY_LOCAL_MACHINE key, where only
// administrators write. Pure code.
#ifndef ENGINE_LOG_LOG_DIGEST_H
#define ENGINE_LOG_LOG_DIGEST_H

#include <cstddef>

#include "format/package_format.h"

namespace setup {

inline constexpr char kLogDigestValue[] = "UnInstallLogSHA256";

enum class LogTrust {
    trusted,   // the recorded digest is that of these bytes
    damaged,   // a digest is recorded, and it is another, or no digest at all
    noDigest,  // nothing recorded: an installation made before digests
};

// Judges `size` bytes of a log file against the recorded value's text (""
// when there is none). A recorded text that is not 64 lower-case hex digits
// cannot match anything: damaged.
LogTrust judgeLogDigest(const fmt::u8* bytes, std::size_t size, const char* recorded);

}  // namespace setup

#endif
