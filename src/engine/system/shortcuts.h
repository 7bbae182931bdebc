// Shortcut files in the user's Desktop and Programs folders, made through the
// shell's link object. COM must be initialised on the thread.
#ifndef ENGINE_SYSTEM_SHORTCUTS_H
#define ENGINE_SYSTEM_SHORTCUTS_H

#include "engine/system/shell_folders.h"

namespace setup {

// Makes "<Desktop>\<name>.lnk" pointing at installDir + program, started in
// installDir with `arguments`. The name may hold sub-folders; every folder
// created for it is logged, and so is the shortcut. A shortcut file name or a
// target that does not fit its 260-byte buffer makes nothing and logs
// nothing. Raises error code 4 when a folder cannot be created.
void createDesktopShortcut(const char* program, const char* name, const char* arguments);

// The same below the user's Programs folder of the start menu.
void createProgramsShortcut(const char* program, const char* name, const char* arguments);

// Saves a shortcut at linkPath with exactly target, arguments and working
// folder set, and logs the file whether or not the shell saved it. When the
// shell's link object or its file interface cannot be had, nothing is made
// and nothing logged. A file of the user's that stands at linkPath is moved
// aside first (engine/undo/file_backups.h; error 2 when it cannot be) and put
// back, with nothing logged, when the shell saves nothing.
void createShellLink(const char* linkPath, const char* targetPath, const char* arguments,
                     const char* workingDir);

}  // namespace setup

#endif
