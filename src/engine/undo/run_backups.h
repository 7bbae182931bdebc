// Everything a run keeps so that a failure or a cancel gives back what it
// replaced or removed (engine/undo/file_backups.h, engine/undo/registry_backups.h),
// given back or let go of as a whole.
#ifndef ENGINE_UNDO_RUN_BACKUPS_H
#define ENGINE_UNDO_RUN_BACKUPS_H

namespace setup {

// The end of a rollback: the registry as the run found it, then the
// folders and files. Never raises.
void restoreRunBackups();

// The same in the middle of a run that goes on: the backup folders and the
// run's journal stay.
void restoreRunBackupsGoingOn();

// The end of a successful run: the backups are deleted and the rest is
// forgotten. Never raises.
void discardRunBackups();

}  // namespace setup

#endif
