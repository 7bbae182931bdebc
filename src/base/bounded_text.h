// Copying and formatting into fixed-size text buffers. Every function takes
// the destination's full size in bytes, never writes beyond it, and always
// leaves a terminated text when the size is at least 1; a text that does not
// fit is cut at the buffer's end.
#ifndef BASE_BOUNDED_TEXT_H
#define BASE_BOUNDED_TEXT_H

#include <cstdarg>
#include <cstddef>

namespace setup {

// Copies src into dest. Returns true when the whole text fit.
bool copyBounded(char* dest, std::size_t size, const char* src);

// Appends src to the terminated text in dest. Returns true when it all fit.
bool appendBounded(char* dest, std::size_t size, const char* src);

// printf-style formatting into dest. Returns true when the result fit; an
// encoding error leaves dest empty and returns false.
bool formatBounded(char* dest, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool vformatBounded(char* dest, std::size_t size, const char* format, std::va_list args);

template <std::size_t N>
bool copyBounded(char (&dest)[N], const char* src) {
    return copyBounded(dest, N, src);
}

template <std::size_t N>
bool appendBounded(char (&dest)[N], const char* src) {
    return appendBounded(dest, N, src);
}

}  // namespace setup

#endif
