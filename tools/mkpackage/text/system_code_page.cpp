#include "text/system_code_page.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

#include <string>

#include "text/text_decoder.h"

namespace mkpackage {

#ifdef _WIN32

bool systemCodePageAvailable(unsigned codePage) { return IsValidCodePage(codePage) != 0; }

bool systemCodePageIsSingleByte(unsigned codePage) {
    CPINFO info{};
    return GetCPInfo(codePage, &info) && info.MaxCharSize == 1;
}

bool systemEncodeCharacter(unsigned codePage, char32_t c, char& byte) {
    wchar_t wide[2];
    int count = 1;
    if (c >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        count = 2;
    } else {
        wide[0] = static_cast<wchar_t>(c);
    }
    // No best-fit mapping ("A" for an accented letter) and no default
    // character: either the exact byte or a refusal.
    char buffer[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, count, buffer, sizeof buffer, nullptr,
                                      &usedDefault);
    if (n != 1 || usedDefault) return false;
    byte = buffer[0];
    return true;
}

#else

bool systemCodePageAvailable(unsigned codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t probe = iconv_open(name.c_str(), "UTF-8");
    if (probe == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(probe);
    return true;
}

// Every byte on its own must decode: in a code page of more bytes per
// character some byte starts a sequence that a single byte leaves
// incomplete (or, in a 7-bit shifting one, the high bytes mean nothing).
bool systemCodePageIsSingleByte(unsigned codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    bool single = true;
    for (unsigned value = 1; value < 256 && single; ++value) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(value);
        char* inPtr = &in;
        std::size_t inLeft = 1;
        char buffer[16];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        // A byte without a character (EILSEQ) is fine; one that waits for more is not.
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) && errno == EINVAL) single = false;
    }
    iconv_close(cd);
    return single;
}

bool systemEncodeCharacter(unsigned codePage, char32_t c, char& byte) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open(name.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in;
    TextDecoder::appendUtf8(c, in);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char buffer[8];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && outPtr - buffer == 1;
    iconv_close(cd);
    if (ok) byte = buffer[0];
    return ok;
}

#endif

}  // namespace mkpackage
