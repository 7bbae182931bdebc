// The folders where a run keeps what it moves aside: one per volume, made
// the first time a file of that volume is moved aside, so that moving a
// file there is a rename (no copy, no space taken). It goes at the
// volume's root, outside every folder the run installs into, records or
// removes; where the root cannot take a folder (a share's root the user
// may not write, a volume mounted read-only at its root) in the first
// folder on the way to the install folder, else to the file, that can
// (engine/undo/backup_place_choice.h). The run makes each folder itself
// under a new name (a name that exists already is never used), hidden,
// and on Windows NT with a protected access list that lets in only the
// user running the setup, the system and the administrators, and holds it
// open so that nobody can rename it away: no other user can put, change or
// take anything there.
#ifndef ENGINE_UNDO_BACKUP_PLACE_H
#define ENGINE_UNDO_BACKUP_PLACE_H

#include <cstdint>

#include "base/fault_injection.h"

namespace setup {

// The run's backup folder on the volume of the existing file `path`,
// ending with a backslash, made now when the run has none there yet; its
// index in `volume`. nullptr, with the thread's last error set, when it
// cannot be made. `site` is the fault site of the caller's backup.
const char* backupFolderFor(const char* path, FaultSite site, std::uint16_t& volume);

// The folder of a volume index that backupFolderFor gave.
const char* backupFolder(std::uint16_t volume);

// A killed run's backup folder named by its journal, taken as this run's
// own so that undoing it gives back from it and removes it: the folder stands
// for its volume's root too. Its volume index, or -1 when no more fit.
int adoptBackupFolder(const char* folder);

// Removes the run's backup folders and forgets them. A folder that still
// holds something (a backup that could be neither put back nor deleted) is
// made visible and goes at the next restart if it is empty by then.
void removeBackupFolders();

}  // namespace setup

#endif
