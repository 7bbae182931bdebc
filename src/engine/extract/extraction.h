// The extraction engine: writes the stored files of the selected components
// into a destination folder, recording every file and folder it makes.
#ifndef ENGINE_EXTRACT_EXTRACTION_H
#define ENGINE_EXTRACT_EXTRACTION_H

#include <windows.h>

#include <cstdint>

#include "engine/extract/extraction_state.h"
#include "package/component_stream.h"

namespace setup {

// The output file being written; 0 when none is open.
extern HANDLE outputFile;
// The progress window of the running extraction; 0 between runs.
extern HWND progressWindow;
// The current entry's header and name, kept until the next entry is read.
extern EntryBuffers currentEntry;

// Sums Component.packedSize and Component.unpackedSize over the selected
// components (32-bit sums) and resets the progress count.
void computeSelectionTotals(ExtractionState& state);

// The whole run: progress window, every entry of every selected component,
// window destroyed. Returns only when every selected file is handled.
void extractComponents(ExtractionState& state);

// Builds currentPath from `folder` and the current entry's name, asks before
// replacing an existing file (unless replaceAll), creates the missing
// folders, moves an existing file aside (engine/undo/file_backups.h), creates
// the file and logs it. A No answer sets `skip` and creates nothing.
// Raises 2 (file, a file that cannot be moved aside, or a path that does
// not fit) or 4 (folder).
void openOutputFile(const char* folder, bool& replaceAll, bool& skip);

// Creates every missing folder of the path in currentPath, outermost first,
// logging and announcing each. Raises error code 4 quoting currentDir.
void createPathDirectories();

// Stamps the output file with the current entry's time and closes it; for a
// skipped entry only forgets the handle. Raises error code 3 when closing fails.
void closeOutputFile(bool skip);

// The failure handler's close: stamps and closes an open output file and
// never raises, whatever closing gives.
void closeOutputFile();

// Writes exactly `count` bytes or raises error code 5.
void writeOutput(HANDLE file, const void* bytes, std::uint32_t count);

// The write rule of every file the program makes: true when all `count`
// bytes were written; otherwise false with the thread's last error set, a
// short write without a system error counting as a full disk.
bool writeAll(HANDLE file, const void* bytes, std::uint32_t count);

// Refreshes the progress window's lines and bar where something changed.
void updateProgress(const ExtractionState& state);

// Handles the progress window's waiting messages; never waits.
void pumpProgressMessages();

}  // namespace setup

#endif
