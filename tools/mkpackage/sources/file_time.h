// File times as the package stores them (Windows FILETIME), from the
// system's clock and limited by SOURCE_DATE_EPOCH.
#ifndef MKPACKAGE_FILE_TIME_H
#define MKPACKAGE_FILE_TIME_H

#include <cstdint>
#include <optional>

#include "format/package_format.h"

namespace mkpackage {

// The time SOURCE_DATE_EPOCH names (seconds since 1970), when it is set:
// no stored file time is later, so that a fresh checkout anywhere gives the
// same installer. Throws InputError when it is set but no such number.
std::optional<fmt::FileTime> sourceDateEpoch();

// `time`, or the SOURCE_DATE_EPOCH time when that is set and earlier.
fmt::FileTime clampToSourceDate(fmt::FileTime time);

// Seconds and nanoseconds since 1970 as a Windows FILETIME.
fmt::FileTime fileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace mkpackage

#endif
