#include "engine/directx/directx_version_rules.h"

namespace setup {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An unsigned decimal number as "%u" reads it: leading blanks, an optional
// plus sign, digits (wrapping like an unsigned 32-bit value). False when no
// digit follows.
bool readNumber(const char*& text, std::uint32_t& value) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    if (*p == '+') ++p;
    if (!isDigit(*p)) return false;
    value = 0;
    while (isDigit(*p)) value = value * 10u + static_cast<std::uint32_t>(*p++ - '0');
    text = p;
    return true;
}

}  // namespace

std::uint32_t directXNumber(std::uint32_t minor) {
    if (minor <= 4) return minor <= 2 ? 1u : minor - 1u;
    return minor;
}

std::int32_t directXVersionFromProductVersion(const char* text) {
    std::uint32_t major = 0, minor = 0;
    if (readNumber(text, major) && *text == '.') {
        ++text;
        readNumber(text, minor);
    }
    const std::uint32_t value = (major & 0xFFFFu) << 16 | (directXNumber(minor) & 0xFFFFu);
    return static_cast<std::int32_t>(value);
}

}  // namespace setup
