// Process-wide values of the setup program that pure code reads. The Win32
// side sets them during start-up; tests set them directly.
#ifndef BASE_PROCESS_STATE_H
#define BASE_PROCESS_STATE_H

#include "format/package_format.h"

namespace setup {

// Destination folder, always ending with a backslash once set.
extern char installDir[fmt::kMaxPath];
// Full path of the file being made; quoted by the failure messages.
extern char currentPath[fmt::kMaxPath];
// Folder being tested or created; quoted by the folder failure message.
extern char currentDir[fmt::kMaxPath];
// Drive letter of the Windows folder, as the system spells it.
extern char bootDrive;
extern bool isWindowsNT;
extern bool installDirectX;
extern bool rebootRequired;
// False until the configuration record is loaded and its slots relocated.
extern bool configLoaded;
// An unattended run (/S, or /PASSIVE, which shows its progress all the
// same): questions get their documented answers
// (engine/unattended_interaction.h) and the outcome is the exit code; /S
// creates no window at all.
extern bool unattendedRun;
// Set once the run is being undone, by the failure handler or a confirmed
// cancel: from then on nothing raises (a picture that cannot be written is
// left out), and a further failure or cancel is ignored, so the first one
// ends the process with its own code.
extern bool endingRun;

// The drive letter of a Windows folder path: its first character when the
// second is a colon, otherwise 'C'. No case change.
char bootDriveFromWindowsDir(const char* windowsDir);

}  // namespace setup

#endif
