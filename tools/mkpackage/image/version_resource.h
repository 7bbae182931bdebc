// The version resource (VS_VERSIONINFO) that tells the system's file
// properties and the tools that inventory software what an installer is:
//
//   VS_VERSIONINFO       "VS_VERSION_INFO", VS_FIXEDFILEINFO (52 bytes)
//     StringFileInfo
//       StringTable      "040904B0": English (US), UTF-16
//         String ...     key and value, both terminated UTF-16
//     VarFileInfo
//       Var              "Translation": 0x0409, 1200
//
// Every block begins 4-aligned and its length excludes the padding behind
// it. Pure code.
#ifndef MKPACKAGE_VERSION_RESOURCE_H
#define MKPACKAGE_VERSION_RESOURCE_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/resource_tree.h"

namespace mkpackage {

inline constexpr std::uint32_t kVersionLanguage = 0x0409;  // of the resource and its string table
inline constexpr std::uint32_t kVersionCodePage = 1200;    // UTF-16

struct VersionInfo {
    std::uint16_t fileVersion[4] = {};     // VS_FIXEDFILEINFO, major first
    std::uint16_t productVersion[4] = {};
    std::vector<std::pair<std::string, std::string>> strings;  // key and value, UTF-8, in order
};

// The numbers of a version text: up to four runs of digits separated by
// dots, from its start ("1.00h" gives 1.0.0.0, "2.5.1" 2.5.1.0); a number
// above 65535 is taken as 65535.
void versionNumbers(const std::string& text, std::uint16_t (&out)[4]);

// The resource's bytes.
ImageBytes writeVersionResource(const VersionInfo& info);

// Reads a resource's bytes back: the fixed numbers and the strings of every
// string table. False when a block does not lie inside its parent or the
// fixed part is missing.
bool readVersionResource(const ImageBytes& bytes, VersionInfo& info);

// UTF-8 to UTF-16 and back; the input is taken as well formed (a stray byte
// becomes U+FFFD).
std::u16string utf16FromUtf8(const std::string& text);
std::string utf8FromUtf16(const std::u16string& text);

}  // namespace mkpackage

#endif
