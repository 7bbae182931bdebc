#include "setup/version_compare.h"

namespace setup {

static unsigned foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? unsigned(c - 'A' + 'a') : c;
}

int compareVersions(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        unsigned cx = foldAscii(*x), cy = foldAscii(*y);
        if (cx != cy) return cx < cy ? -1 : 1;
        if (cx == 0) return 0;
    }
}

}  // namespace setup
