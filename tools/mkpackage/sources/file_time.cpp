#include "sources/file_time.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/input_error.h"

namespace mkpackage {

std::optional<fmt::FileTime> sourceDateEpoch() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (value == nullptr || *value == '\0') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long seconds = std::strtoll(value, &end, 10);
    if (*end != '\0' || errno != 0 || seconds < 0) {
        throw InputError(std::string("SOURCE_DATE_EPOCH=") + value +
                         ": must be a whole number of seconds since 1970-01-01 00:00 UTC");
    }
    return fileTimeFromUnix(seconds, 0);
}

fmt::FileTime clampToSourceDate(fmt::FileTime time) {
    const std::optional<fmt::FileTime> limit = sourceDateEpoch();
    if (!limit) return time;
    const auto ticks = [](fmt::FileTime t) { return (std::uint64_t(t.high) << 32) | t.low; };
    return ticks(time) > ticks(*limit) ? *limit : time;
}

fmt::FileTime fileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
    // 100-ns intervals between 1601-01-01 and 1970-01-01.
    constexpr std::int64_t kEpochDifference = 116444736000000000ll;
    constexpr std::int64_t kTicksPerSecond = 10000000ll;
    // Times before 1601 or too far ahead for a signed 64-bit count are held at the ends.
    if (seconds < -kEpochDifference / kTicksPerSecond) return fmt::FileTime{0, 0};
    if (seconds >= (INT64_MAX - kEpochDifference) / kTicksPerSecond - 1) return fmt::FileTime{0xFFFFFFFFu, 0x7FFFFFFFu};
    std::int64_t ticks = seconds * kTicksPerSecond + nanoseconds / 100 + kEpochDifference;
    if (ticks < 0) ticks = 0;
    const auto value = static_cast<std::uint64_t>(ticks);
    return fmt::FileTime{static_cast<fmt::u32>(value & 0xFFFFFFFFu), static_cast<fmt::u32>(value >> 32)};
}

}  // namespace mkpackage
