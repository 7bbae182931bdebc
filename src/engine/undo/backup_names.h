// The names of the places where a run keeps what it moves aside: a folder
// of its own at the root of each volume it touches, and inside it one file
// per backup, named by its number. Pure code.
#ifndef ENGINE_UNDO_BACKUP_NAMES_H
#define ENGINE_UNDO_BACKUP_NAMES_H

#include <cstddef>
#include <cstdint>

namespace setup {

// The prefix of every backup folder's name; the folder is hidden while the run lasts.
inline constexpr char kBackupFolderPrefix[] = "~SetupBackup.";

// "<root>~SetupBackup.<tag as 8 hex digits>\" into `out`. `root` ends with
// a backslash. False when the folder, with the name of a backup file in
// it, would not fit `size` bytes.
bool backupFolderPath(const char* root, std::uint32_t tag, char* out, std::size_t size);

// "<folder><number as 8 hex digits>" into `out`; false when it does not fit.
bool backupFilePath(const char* folder, std::uint32_t number, char* out, std::size_t size);

// The length of the root of a full path, backslash included: "X:\" for a
// drive path, "\\server\share\" for a network path; 0 for anything else.
std::size_t pathRootLength(const char* path);

}  // namespace setup

#endif
