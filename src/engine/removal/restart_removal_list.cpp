#include "engine/removal/restart_removal_list.h"

#include <cstring>

namespace setup {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when the line is "NUL=<path>", ignoring the case of ASCII letters.
bool deletes(const char* line, std::size_t lineLength, const char* path) {
    const std::size_t pathLength = std::strlen(path);
    if (lineLength != 4 + pathLength) return false;
    const char* key = "nul=";
    for (std::size_t i = 0; i < 4; ++i)
        if (lowerAscii(line[i]) != key[i]) return false;
    for (std::size_t i = 0; i < pathLength; ++i)
        if (lowerAscii(line[4 + i]) != lowerAscii(path[i])) return false;
    return true;
}

// Appends `length` bytes and a terminator at `at`; false when they do not fit.
bool put(char* out, std::size_t size, std::size_t& at, const char* text, std::size_t length) {
    if (length >= size - at) return false;
    std::memcpy(out + at, text, length);
    at += length;
    out[at++] = '\0';
    return true;
}

}  // namespace

bool sectionWithDeletion(const char* section, std::size_t length, const char* path, char* out,
                         std::size_t size) {
    std::size_t at = 0;
    bool there = false;
    for (std::size_t start = 0; start < length;) {
        const std::size_t lineLength = strnlen(section + start, length - start);
        if (lineLength == 0) break;  // the empty line that ends the list
        if (!put(out, size, at, section + start, lineLength)) return false;
        there = there || deletes(section + start, lineLength, path);
        start += lineLength + 1;
    }
    if (!there) {
        char line[4 + 260];
        const std::size_t pathLength = std::strlen(path);
        if (pathLength >= sizeof line - 4) return false;
        std::memcpy(line, "NUL=", 4);
        std::memcpy(line + 4, path, pathLength);
        if (!put(out, size, at, line, 4 + pathLength)) return false;
    }
    if (at >= size) return false;
    out[at] = '\0';
    return true;
}

}  // namespace setup
