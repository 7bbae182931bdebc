// Making one file of the installation: its folders, the existing file moved
// aside or kept, the file created, written, stamped with its stored time and
// closed, and every file and folder made recorded in the uninstall log.
#ifndef ENGINE_EXTRACT_OUTPUT_FILE_H
#define ENGINE_EXTRACT_OUTPUT_FILE_H

#include <windows.h>

#include <cstdint>

#include "package/component_stream.h"

namespace setup {

// The output file being written; 0 when none is open.
extern HANDLE outputFile;
// The current entry's header and name, kept until the next entry is read.
extern EntryBuffers currentEntry;

// Builds currentPath from `folder` and the current entry's name, asks before
// replacing an existing file (unless replaceAll), creates the missing
// folders, moves an existing file aside (engine/undo/file_backups.h), creates
// the file and logs it. A No answer sets `skip` and creates nothing; a
// cancel confirmed at the question ends the run (engine/failure/cancel.h).
// Raises 2 (file, a file that cannot be moved aside, or a path that does
// not fit) or 4 (folder).
void openOutputFile(const char* folder, bool& replaceAll, bool& skip);

// Creates every missing folder of the path in currentPath, outermost first,
// logging and announcing each. Raises error code 4 quoting currentDir.
void createPathDirectories();

// Forgets which folders the last file had: what another run made may be gone.
void forgetFoldersMade();

// Stamps the output file with the current entry's time and closes it; for a
// skipped entry only forgets the handle. Raises error code 3 when closing fails.
void closeOutputFile(bool skip);

// The failure handler's close: stamps and closes an open output file and
// never raises, whatever closing gives.
void closeOutputFile();

// The cancel's close: an open output file is closed as it stands, without
// its time; never raises.
void abandonOutputFile();

// Writes exactly `count` bytes or raises error code 5.
void writeOutput(HANDLE file, const void* bytes, std::uint32_t count);

// The write rule of every file the program makes: true when all `count`
// bytes were written; otherwise false with the thread's last error set, a
// short write without a system error counting as a full disk.
bool writeAll(HANDLE file, const void* bytes, std::uint32_t count);

}  // namespace setup

#endif
