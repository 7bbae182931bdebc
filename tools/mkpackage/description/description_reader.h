// Reads a product description from its TOML file. Everything the builder
// can check before writing is checked here, so a build that starts writing
// fails only on I/O.
#ifndef MKPACKAGE_DESCRIPTION_READER_H
#define MKPACKAGE_DESCRIPTION_READER_H

#include <array>
#include <filesystem>
#include <string>

#include "description/description.h"
#include "format/package_format.h"

namespace mkpackage {

// Reads, checks and resolves the description at `file`; source paths are
// relative to its folder. Throws InputError naming file, line and field; when
// the description has several defects, its message holds one line for each
// (up to kMaxReportedDefects of field_reader.h).
Description readDescription(const std::filesystem::path& file, const DescriptionOptions& options = {});

// Same, from TOML text (tests); `file` names it in messages and anchors
// relative paths.
Description parseDescription(const std::string& toml, const std::filesystem::path& file,
                             const DescriptionOptions& options = {});

// The uninstaller texts a product gets when its description gives none.
std::array<std::string, fmt::kUninstallTextCount> defaultUninstallTexts(const std::string& productName);

}  // namespace mkpackage

#endif
