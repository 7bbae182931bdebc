// Where on a volume the run's backup folder may go. Pure code.
#ifndef ENGINE_UNDO_BACKUP_PLACE_CHOICE_H
#define ENGINE_UNDO_BACKUP_PLACE_CHOICE_H

#include <cstddef>

namespace setup {

// The folders that may take the backup folder of the volume with the root
// `root` (ending with a backslash), in the order they are tried: the root
// first; where it cannot take a folder (a share's root the user may not
// write, a volume mounted read-only at its root), each folder on the way
// from the root to `installDir`, the shallowest first and the install folder
// last, when the install folder lies on this volume; then each further
// folder on the way to `fileFolder`, the folder of the file moved aside.
// Every one lies on the volume, so a move into it stays a rename; each
// existed before the run, which only moves aside what was there.
// Place number `index` into `out`, ending with a backslash; false when there
// are fewer places or it does not fit `size` bytes. Paths end with a
// backslash and compare without regard to the case of ASCII letters.
bool backupPlaceAt(const char* root, const char* installDir, const char* fileFolder, std::size_t index,
                   char* out, std::size_t size);

}  // namespace setup

#endif
