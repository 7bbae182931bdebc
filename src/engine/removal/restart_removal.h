// Removal at the next restart on the 9x family, which has no MoveFileExA:
// the file's short path in WININIT.INI's "[rename]" section
// (engine/removal/restart_removal_list.h).
#ifndef ENGINE_REMOVAL_RESTART_REMOVAL_H
#define ENGINE_REMOVAL_RESTART_REMOVAL_H

namespace setup {

// Lists the existing file `path` for deletion at the next restart of a 9x
// system, keeping every line of others. False when its short path cannot
// be had, the section cannot be read whole or cannot be written.
bool deleteAtNext9xRestart(const char* path);

}  // namespace setup

#endif
