#include "text/text_decoder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace mkpackage {

void TextDecoder::appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

#ifdef _WIN32

// The table of the 128 upper bytes, one byte at a time: a byte the code page
// does not define is refused (MB_ERR_INVALID_CHARS), not made a '?'.
TextDecoder::TextDecoder(unsigned codePage) : codePage_(codePage) {
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t wide[2];
        const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, wide, 2);
        if (n == 1 && wide[0] != 0) highBytes_[byte - 0x80] = wide[0];
    }
}

#else

TextDecoder::TextDecoder(unsigned codePage) : codePage_(codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        char in = static_cast<char>(byte);
        unsigned char out[8];
        char* inPtr = &in;
        std::size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh state for every byte
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) continue;
        if (sizeof out - outLeft != 4) continue;  // one byte, one character
        highBytes_[byte - 0x80] = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 | char32_t(out[3]) << 24;
    }
    iconv_close(cd);
}

#endif

}  // namespace mkpackage
