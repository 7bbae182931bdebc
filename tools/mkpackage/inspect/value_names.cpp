#include "inspect/value_names.h"

#include <cstdint>
#include <cstdio>
#include <iterator>

namespace mkpackage {

using fmt::u32;

std::string fileTimeText(const fmt::FileTime& time) {
    const std::uint64_t ticks = (std::uint64_t(time.high) << 32) | time.low;
    // Whole seconds since 1601-01-01, split into days and the time of day;
    // plain arithmetic, so no time zone or C library is involved.
    const std::int64_t seconds = static_cast<std::int64_t>(ticks / 10000000ull);
    const std::int64_t daysSince1601 = seconds / 86400;
    const int secondOfDay = static_cast<int>(seconds % 86400);
    // Civil date from a day count (March-based years, 400-year eras), counted
    // from 0000-03-01; 1601-01-01 is day 584694 of that count.
    const std::int64_t z = daysSince1601 + 584694;
    const std::int64_t era = z / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d UTC", year, month, day, secondOfDay / 3600,
                  secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}

const char* actionTypeName(u32 type) {
    static const char* const kNames[] = {"?", "desktop-shortcut", "programs-shortcut", "registry-value",
                                         "remove-file", "remove-file-flagged", "remove-key", "remove-key-flagged"};
    return type < std::size(kNames) ? kNames[type] : "?";
}

const char* rootName(u32 root) {
    return root == fmt::kRootLocalMachine ? "HKLM" : root == fmt::kRootCurrentUser ? "HKCU" : "-";
}

const char* itemTypeName(u32 type) {
    static const char* const kNames[] = {
        "end", "text", "image", "space-above", "indent-left", "indent-right", "destination-group",
        "required-space-text", "desktop-checkbox", "start-menu-checkbox", "directx-version-text",
        "directx-install-radio", "directx-skip-radio", "preset-1-radio", "default-selection-radio", "preset-3-radio"};
    return type < std::size(kNames) ? kNames[type] : "unknown";
}

const char* blobKindName(u32 kind) {
    return kind == fmt::kBlobBitmap ? "bitmap" : kind == fmt::kBlobIcon ? "icon" : kind == fmt::kBlobAnimation ? "avi" : "?";
}

unsigned packageCodePage(const fmt::PackageReport& report) {
    return report.packageFound && report.header.reserved != 0 ? report.header.reserved : 1252;
}

}  // namespace mkpackage
