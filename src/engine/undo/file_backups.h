// The files and folders a run takes away from where they were: an existing
// file it replaces, and the files and folders of a previous installation it
// removes. Each file is moved into the run's backup folder on its volume
// (engine/undo/backup_place.h), a rename that keeps its contents, times and
// attributes; each folder is removed and remembered. Everything is listed
// in memory only, the uninstall log is never touched. A rollback gives it
// all back; a successful run deletes the backups at its end.
#ifndef ENGINE_UNDO_FILE_BACKUPS_H
#define ENGINE_UNDO_FILE_BACKUPS_H

#include <cstdint>

#include "base/fault_injection.h"

namespace setup {

// What stands at `path` before the run makes a file there: nothing, a file
// this run made itself (recorded in its log: a name stored twice), a file
// that was there before, or a folder.
enum class ExistingItem { none, runsOwnFile, usersFile, folder };
ExistingItem existingItemAt(const char* path);

// Moves the existing file at `path` into the backup folder. False, with
// the thread's last error set, when it cannot: the file is then where it
// was, untouched. `site` names the caller for the fault-injection build
// (FaultSite::backUpFile when the run replaces the file,
// FaultSite::backUpRemovedFile when a previous installation is removed).
bool moveFileAside(const char* path, FaultSite site);

// Moves the file that moveFileAside moved last back to its place at once,
// never raising: what the run meant to put there was not made after all.
void putBackLastFileAside();

// Removes the folder when it is empty, remembering its attributes and
// times so that a rollback makes it again. True when no folder is left at
// the path.
bool removeFolderAside(const char* path);

// The log entry at `entryOffset` (from the start of the log's data area)
// names a file that existed before the run and that the run records
// without making it: a rollback leaves that file where it is.
void keepAtRollback(std::uint32_t entryOffset);
bool isKeptAtRollback(std::uint32_t entryOffset);

// Gives back everything, never raising: the folders first (with their
// attributes, and their times once their files are back), then every file,
// over whatever the run left at its place. A file that cannot be moved back
// now goes back at the next restart where the system allows it, or stays in
// the backup folder; the run's log says which. The list is then empty and,
// with BackupFolders::remove, the run's journal and the backup folders gone;
// a run that goes on (after the DirectX setup's temporary files) keeps them.
enum class BackupFolders { remove, keep };
void restoreFileBackups(BackupFolders folders = BackupFolders::remove);

// A journal read back names this many backup folders (engine/journal/
// journal_recovery.h), which it adopted in backup_place.
void adoptBackupVolumes(std::uint16_t count);

// The end of a successful run: deletes every backup (one that cannot be
// deleted now goes at the next restart), the run's journal and the backup
// folders, and forgets everything.
void discardFileBackups();

}  // namespace setup

#endif
