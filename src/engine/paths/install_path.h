// The rules a typed destination folder must pass, shared by the directory
// chooser and the /D= option. Pure code: whether a drive exists is asked of
// the caller.
#ifndef ENGINE_PATHS_INSTALL_PATH_H
#define ENGINE_PATHS_INSTALL_PATH_H

#include <cstddef>

namespace setup {

// Longest folder a user may type; with the closing backslash the folder then
// takes 151 characters, which every path the setup program builds from it
// leaves room for.
inline constexpr std::size_t kMaxTypedPathLength = 150;

enum class InstallPathProblem {
    none,
    empty,     // nothing typed
    tooLong,   // more than 150 characters
    badChars,  // one of * ? " < > |
    badDrive,  // a ":" anywhere but after a first character naming a present drive
};

// Checks the folder in `text` (terminated, inside a buffer of `size`
// bytes) as typed, in this order: empty, longer than 150 characters, then
// character by character from the left, the leftmost offending character
// deciding between a forbidden character and a bad drive. On the way every
// "/" becomes "\"; a folder that passes gets a closing "\" when it lacks
// one (the buffer must have room for it; without room the folder is too
// long). `driveExists` answers for an upper- or lower-case letter.
InstallPathProblem checkInstallPath(char* text, std::size_t size, bool (*driveExists)(char letter));

// True for a folder with a drive ("X:\...") or a network share
// ("\\server\share\..."): only these name the same place whatever the
// program's current folder is.
bool isAbsoluteInstallPath(const char* text);

}  // namespace setup

#endif
