// File names in a description and in messages are UTF-8 on every system.
// On Linux a path's bytes are that text; on Windows std::filesystem would
// read a narrow string in the ANSI code page, so the conversion goes through
// char8_t explicitly.
#ifndef MKPACKAGE_PATH_TEXT_H
#define MKPACKAGE_PATH_TEXT_H

#include <filesystem>
#include <string>
#include <string_view>

namespace mkpackage {

inline std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The last level of a UTF-8 path.
inline std::string fileNameOf(std::string_view utf8Path) { return utf8FromPath(pathFromUtf8(utf8Path).filename()); }

// With "/" between levels on every system.
inline std::string genericUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace mkpackage

#endif
