#include "engine/paths/path_rules.h"

#include <cstdint>
#include <cstring>

namespace setup {

std::size_t folderPartLength(const char* path) {
    const char* last = std::strrchr(path, '\\');
    return last == nullptr ? 0 : static_cast<std::size_t>(last - path) + 1;
}

std::size_t folderCreationStart(const char* dir) {
    const std::size_t length = std::strlen(dir);
    if (dir[0] != '\0' && dir[1] == ':') return length < 3 ? length : 3;
    if (dir[0] == '\\' && dir[1] == '\\') {
        const char* serverEnd = std::strchr(dir + 2, '\\');
        if (serverEnd == nullptr) return length;
        const char* shareEnd = std::strchr(serverEnd + 1, '\\');
        if (shareEnd == nullptr) return length;
        return static_cast<std::size_t>(shareEnd - dir) + 1;
    }
    if (dir[0] == '\\') return 1;
    return 0;
}

std::size_t sharedFolderLength(const char* dir, const char* known) {
    std::size_t shared = 0;
    for (std::size_t i = 0; dir[i] != '\0' && dir[i] == known[i]; ++i)
        if (dir[i] == '\\') shared = i + 1;
    return shared;
}

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool samePlace(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (foldAscii(*a) != foldAscii(*b)) return false;
    return *a == *b;
}

int progressPosition(int done, int total) {
    if (total == 0) return -1;
    std::int64_t product = std::int64_t(done) * 1024;
    std::int64_t divisor = total;
    if (divisor < 0) {
        divisor = -divisor;
        product = -product;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t rounded = product >= 0 ? (product + half) / divisor
                                              : -((-product + half) / divisor);
    if (rounded > INT32_MAX || rounded < INT32_MIN) return -1;
    return static_cast<int>(rounded);
}

}  // namespace setup
