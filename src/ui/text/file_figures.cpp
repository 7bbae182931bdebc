#include "ui/text/file_figures.h"

#include <cstring>

#include "base/bounded_text.h"

namespace setup {

void composeFileFigures(char* dest, std::size_t size, const char* sizeText, const char* leadIn,
                        const char* dateAndTime) {
    if (size == 0) return;
    copyBounded(dest, size, sizeText);
    appendBounded(dest, size, "\n");
    // Room for the lead-in: what the figures and the terminator leave.
    const std::size_t used = std::strlen(dest);
    const std::size_t figures = std::strlen(dateAndTime);
    if (used + figures + 1 < size) {
        const std::size_t room = size - used - figures - 1;
        std::size_t length = std::strlen(leadIn);
        if (length > room) length = room;
        std::memcpy(dest + used, leadIn, length);
        dest[used + length] = '\0';
    }
    appendBounded(dest, size, dateAndTime);
}

}  // namespace setup
