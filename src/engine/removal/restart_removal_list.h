// The list the 9x family works through at its next restart, before long
// file names are available: the "[rename]" section of WININIT.INI in the
// Windows folder, where a line "NUL=<short path>" deletes that file. Pure
// code; the section is in the form the profile functions take and give:
// "key=value" lines, each terminated, the whole ending with an empty line.
#ifndef ENGINE_REMOVAL_RESTART_REMOVAL_LIST_H
#define ENGINE_REMOVAL_RESTART_REMOVAL_LIST_H

#include <cstddef>

namespace setup {

// The section's file and its name.
inline constexpr char kRestartListFile[] = "WININIT.INI";
inline constexpr char kRestartListSection[] = "rename";

// `section` (its `length` characters, the final terminator not counted, as
// GetPrivateProfileSectionA counts) with the line "NUL=<path>" added at its
// end, into `out`. Every line already there stays, in its order, repeated
// keys included: several files are deleted this way. A line that is there
// already is not added twice. False when the result does not fit `size`.
bool sectionWithDeletion(const char* section, std::size_t length, const char* path, char* out,
                         std::size_t size);

}  // namespace setup

#endif
