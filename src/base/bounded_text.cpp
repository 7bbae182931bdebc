#include "base/bounded_text.h"

#include <cstdio>
#include <cstring>

namespace setup {

bool copyBounded(char* dest, std::size_t size, const char* src) {
    if (size == 0) return src[0] == '\0';
    std::size_t length = std::strlen(src);
    bool fits = length < size;
    if (!fits) length = size - 1;
    std::memcpy(dest, src, length);
    dest[length] = '\0';
    return fits;
}

bool appendBounded(char* dest, std::size_t size, const char* src) {
    if (size == 0) return src[0] == '\0';
    std::size_t used = strnlen(dest, size);
    if (used == size) {  // not terminated: treat the buffer as full
        dest[size - 1] = '\0';
        return src[0] == '\0';
    }
    return copyBounded(dest + used, size - used, src);
}

bool formatBounded(char* dest, std::size_t size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    bool fits = vformatBounded(dest, size, format, args);
    va_end(args);
    return fits;
}

bool vformatBounded(char* dest, std::size_t size, const char* format, std::va_list args) {
    if (size == 0) return false;
    int written = std::vsnprintf(dest, size, format, args);
    // Some C libraries leave the buffer unterminated when the text is cut.
    dest[size - 1] = '\0';
    if (written < 0) {
        dest[0] = '\0';
        return false;
    }
    return static_cast<std::size_t>(written) < size;
}

}  // namespace setup
