// Byte counts as the user reads them: "1.50 KB", "512.00 bytes", "1 byte",
// in the locale's standard number format.
#ifndef UI_TEXT_SIZE_TEXT_H
#define UI_TEXT_SIZE_TEXT_H

#include <cstddef>
#include <cstdint>

namespace setup {

// A number of at most 31 characters and a unit of at most 6, terminated.
inline constexpr std::size_t kSizeTextSize = 38;
// Room for the locale-formatted number, terminator included.
inline constexpr std::size_t kSizeNumberSize = 32;
inline constexpr int kAutomaticUnit = -1;

// The units 0 to 4, each beginning with a blank.
extern const char* const sizeUnits[5];

// Formats a plain number text ("1536", "1.5", "1234567") in the locale's
// way into out (outSize bytes); false when it cannot.
using NumberFormatter = bool (*)(const char* number, char* out, std::size_t outSize);

// Writes `value` bytes in `unit` (0 bytes ... 4 TB, or kAutomaticUnit for
// the largest unit that leaves a number of at least 1, TB at most) into
// dest and returns the unit used. The number goes through `format`; when it
// refuses, the plain number text stands. A number that would need an
// exponent (a million or more of a forced unit) is written out in digits.
int formatSizeText(char* dest, std::size_t size, int unit, std::int64_t value,
                   NumberFormatter format);

// The required figure beside the free one: in the free figure's unit, so
// that the two compare at a glance, unless that shows a size that is not
// zero as zero ("0.00 GB" for a 1 MB product on a drive with gigabytes free):
// then in its own unit. Returns the unit used.
int formatRequiredSizeText(char* dest, std::size_t size, int freeUnit, std::int64_t required,
                           NumberFormatter format);

#ifdef _WIN32
// The same with the user default locale's standard settings
// (GetNumberFormatA with LOCALE_NOUSEROVERRIDE).
int formatSizeText(char* dest, std::size_t size, int unit, std::int64_t value);
int formatRequiredSizeText(char* dest, std::size_t size, int freeUnit, std::int64_t required);
#endif

}  // namespace setup

#endif
