// The figures the replace question shows for a file: its size, a line
// break, the configured lead-in ("modified on ") and the date and time.
#ifndef UI_TEXT_FILE_FIGURES_H
#define UI_TEXT_FILE_FIGURES_H

#include <cstddef>

#include "ui/text/size_text.h"

namespace setup {

// The locale's date and its time each take fewer than 128 characters (the
// room the system is given for them); joined by ", ".
inline constexpr std::size_t kDateTextSize = 128;
inline constexpr std::size_t kDateAndTimeSize = 2 * kDateTextSize;

// A figures text: size, line break, date and time always fit whole; the
// lead-in takes the room that is left (at least 200 characters).
inline constexpr std::size_t kFileFiguresSize = 512;
static_assert(kFileFiguresSize >= kSizeTextSize + 1 + kDateAndTimeSize + 200);

// sizeText + "\n" + leadIn + dateAndTime into dest. When the whole does not
// fit, the lead-in is cut so that the figures stay whole; only a destination
// too small for the figures themselves cuts them (at its end).
void composeFileFigures(char* dest, std::size_t size, const char* sizeText, const char* leadIn,
                        const char* dateAndTime);

}  // namespace setup

#endif
