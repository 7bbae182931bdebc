// Turns the UTF-8 texts of a description into the 8-bit ANSI texts stored in
// a package. Windows-1252 is built in as a table; other code pages go through
// the system's converter (iconv on Linux, the code page API on Windows).
#ifndef MKPACKAGE_CODE_PAGE_H
#define MKPACKAGE_CODE_PAGE_H

#include <optional>
#include <string>
#include <string_view>

namespace mkpackage {

class TextEncoder {
public:
    // Throws std::invalid_argument when the code page is not available.
    explicit TextEncoder(unsigned codePage = 1252);

    // The 8-bit form of `utf8`, or nothing with `problem` saying which
    // character cannot be stored (or that the UTF-8 itself is broken, or that
    // it holds a NUL, which would cut the stored text short).
    std::optional<std::string> encode(std::string_view utf8, std::string& problem) const;

    unsigned codePage() const { return codePage_; }

private:
    unsigned codePage_;
};

}  // namespace mkpackage

#endif
