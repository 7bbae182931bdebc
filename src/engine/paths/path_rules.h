// Pure rules about the paths the extraction makes: where folder creation
// starts along a path, when two paths are the same, and the progress bar's
// position.
#ifndef ENGINE_PATHS_PATH_RULES_H
#define ENGINE_PATHS_PATH_RULES_H

#include <cstddef>

namespace setup {

// Length of the folder part of `path`: up to and including its last "\", or
// 0 when it has none.
std::size_t folderPartLength(const char* path);

// Index from which the folders of `dir` are tested and created: past "X:\"
// for a drive path, past "\\server\share\" for a network path (the whole
// length when the share part is incomplete), past a leading "\" (the current
// drive's root), else 0.
std::size_t folderCreationStart(const char* dir);

// Length of the longest leading part of the folder path `dir` (ending in
// "\") that is a whole folder of `known`, also ending in "\": up to and
// including the last "\" of that part, 0 when they share no folder. Bytes
// are compared exactly; a difference of case counts as a different folder.
std::size_t sharedFolderLength(const char* dir, const char* known);

// True when two paths, or two registry key paths, name the same place as
// Windows reads them: equal but for the case of the ASCII letters.
bool samePlace(const char* a, const char* b);

// The progress bar position, 0 to 1024: done * 1024 / total rounded to the
// nearest integer, halves away from zero, in 64 bits; -1 when total is 0 or
// the result does not fit 32 bits (the results the system's MulDiv gives).
int progressPosition(int done, int total);

}  // namespace setup

#endif
