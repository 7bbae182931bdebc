#include "text/code_page.h"

#include "text/system_code_page.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace mkpackage {
namespace {

// Unicode code points of Windows-1252 bytes 0x80..0x9F; 0 marks the five
// bytes that have no character.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0,
};

// Decodes one UTF-8 sequence at text[i]; returns false when it is broken.
bool decodeUtf8(std::string_view text, std::size_t& i, char32_t& out) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra;
    if (lead < 0x80) { out = lead; ++i; return true; }
    if ((lead & 0xE0) == 0xC0) { out = lead & 0x1F; extra = 1; }
    else if ((lead & 0xF0) == 0xE0) { out = lead & 0x0F; extra = 2; }
    else if ((lead & 0xF8) == 0xF0) { out = lead & 0x07; extra = 3; }
    else return false;
    if (i + extra >= text.size()) return false;
    for (int k = 1; k <= extra; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        out = (out << 6) | (c & 0x3F);
    }
    i += extra + 1;
    // Overlong forms and surrogates are not characters.
    static constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    return out >= kSmallest[extra] && out <= 0x10FFFF && (out < 0xD800 || out > 0xDFFF);
}

std::string describeCodePoint(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

}  // namespace

TextEncoder::TextEncoder(unsigned codePage) : codePage_(codePage) {
    if (codePage == 1252) return;
    // The setup program's texts take one byte per character.
    const std::string which = "only single-byte code pages can be used, such as the Windows code pages 874 and 1250 to 1258";
    const bool multiByte = codePage == 65001 || codePage == 65000 || codePage == 1200 || codePage == 1201 ||
                           codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
    if (multiByte || (systemCodePageAvailable(codePage) && !systemCodePageIsSingleByte(codePage))) {
        throw std::invalid_argument("code page " + std::to_string(codePage) +
                                    " takes more than one byte for a character; the setup program's texts take "
                                    "one, so " + which);
    }
    if (!systemCodePageAvailable(codePage)) {
        throw std::invalid_argument("code page " + std::to_string(codePage) + " is not available here; " + which);
    }
    // Paths, macros and formats are ASCII to the setup program.
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        char byte = 0;
        if (!systemEncodeCharacter(codePage, c, byte) || static_cast<unsigned char>(byte) != c) {
            throw std::invalid_argument("code page " + std::to_string(codePage) +
                                        " does not keep ASCII characters as they are");
        }
    }
}

std::optional<std::string> TextEncoder::encode(std::string_view utf8, std::string& problem) const {
    std::string out;
    out.reserve(utf8.size());
    // Walk the characters first: broken UTF-8 and NUL are refused for every code page.
    std::vector<char32_t> chars;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!decodeUtf8(utf8, i, c)) {
            problem = "text is not valid UTF-8";
            return std::nullopt;
        }
        if (c == 0) {
            problem = "text holds a NUL character";
            return std::nullopt;
        }
        chars.push_back(c);
    }
    if (codePage_ == 1252) {
        for (char32_t c : chars) {
            if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
                out.push_back(static_cast<char>(c));
                continue;
            }
            int found = -1;
            for (int k = 0; k < 32; ++k) {
                if (kCp1252High[k] != 0 && kCp1252High[k] == c) found = k;
            }
            if (found < 0) {
                problem = "character " + describeCodePoint(c) + " has no place in code page 1252";
                return std::nullopt;
            }
            out.push_back(static_cast<char>(0x80 + found));
        }
        return out;
    }
    // Convert character by character so that the failing one can be named.
    for (char32_t c : chars) {
        char byte;
        if (!systemEncodeCharacter(codePage_, c, byte)) {
            problem = "character " + describeCodePoint(c) + " has no place in code page " + std::to_string(codePage_);
            return std::nullopt;
        }
        out.push_back(byte);
    }
    return out;
}

}  // namespace mkpackage
