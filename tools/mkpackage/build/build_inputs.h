// Checks of a build's files before anything is written: the program image
// must be the setup program, and the output may not be any file the build
// reads.
#ifndef MKPACKAGE_BUILD_INPUTS_H
#define MKPACKAGE_BUILD_INPUTS_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "description/description.h"

namespace mkpackage {

// What keeps `image` (a whole file) from being this system's setup program,
// or an empty text: it must be a PE32 image for i686 with the GUI subsystem,
// and its resources must hold the setup program's dialog templates 104, 105,
// 106, 107 and 109 and its string table with texts 1 and 2.
std::string setupProgramImageProblem(const std::vector<std::uint8_t>& image);

// The same for the uninstaller: a PE32 GUI program for i686 whose resources
// hold the uninstaller's dialog templates 101, 102 and 103 and its usage text.
std::string uninstallerImageProblem(const std::vector<std::uint8_t>& image);

// The whole file of a program image; throws InputError when it cannot be
// read or is far larger than a program of ours ("the <role> ...").
std::vector<std::uint8_t> readImageBytes(const std::filesystem::path& image, const char* role);

// Throws InputError "<image>: the program image ..." when the file at
// `image` is not the setup program (or cannot be read).
void checkSetupProgramImage(const std::filesystem::path& image);

// Throws InputError "file:line: field: ..." when `output` names the
// description, the program image, or a file a component or picture reads.
void refuseOutputOverInput(const Description& description, const std::filesystem::path& image,
                           const std::filesystem::path& output);

}  // namespace mkpackage

#endif
