// The start-up of the setup program before its first question: the
// platform, the package, the single instance, the boot drive and the
// windows' shared resources.
#ifndef SETUP_STARTUP_H
#define SETUP_STARTUP_H

namespace setup {

// isWindowsNT from the system's version.
void readPlatform();

// Opens the package appended to the program. Without one the program can
// only name its own file and end with code 1: the configuration, and so
// every configured text, is missing.
void openPackageOrExit();

// Takes the name "InstallSync_<product>" for as long as the process runs. A
// second setup of the same product ends here silently (unattended, with
// code 21); a mapping that cannot be made at all does not stop the run.
void guardSingleInstance();

// Every folder the run may take from the system has a name the code page
// can spell (engine/paths/system_folders.h); otherwise the run ends here,
// before anything is changed, with msgFolderNameUnusable and code 28,
// attended or not.
void checkSystemFolders();

// bootDrive from the Windows folder.
void takeBootDrive();

// A drive the system knows, by an upper- or lower-case letter: in its drive
// mask, or with a root the system can tell the type of.
bool driveKnown(char letter);

// installDir from the installed product's "InstallDir" value, when that is
// a folder the chooser would accept; otherwise it stays as it is.
void takeInstalledFolder();

// The windows' fonts forgotten (a new run builds them anew) and the memory
// device context in which they convert point sizes.
void resetWindowFonts();
void createMeasureContext();

}  // namespace setup

#endif
