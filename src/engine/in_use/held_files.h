// Finding out, without changing anything, which files another program
// holds so that they cannot be moved aside, and which programs those are.
// Shared by the setup program and the uninstaller.
#ifndef ENGINE_IN_USE_HELD_FILES_H
#define ENGINE_IN_USE_HELD_FILES_H

#include "engine/in_use/in_use_list.h"

namespace setup {

// Adds `path` to `list` when a file is there that cannot be moved aside
// (or, `forRemoval`, deleted) because another program holds it
// (engine/paths/unfollowed_items.h, probeMoveAside and probeRemoval); a
// missing file, a link or any other refusal is left to the step that meets
// it. True when it was added.
bool noteIfHeld(const char* path, InUseList& list, bool forRemoval = false);

// Names the programs that hold the list's files, as the system's restart
// manager knows them (rstrtmgr.dll, Windows Vista and later, loaded from
// the system folder at run time). Nothing where it is missing, fails or
// names none: the files then stand for themselves.
void nameHoldingPrograms(InUseList& list);

}  // namespace setup

#endif
