// The 19 texts an uninstall log carries for the uninstaller, read from the
// log's own bytes: every window and message of the uninstaller takes its
// text from here. Pure code.
#ifndef UNINSTALLER_UNINSTALL_TEXTS_H
#define UNINSTALLER_UNINSTALL_TEXTS_H

#include <cstddef>

#include "format/package_format.h"

namespace uninstaller {

enum UninstallText : unsigned {
    kTextTitle = 0,              // caption of every box: "UnInstall <product>"
    kTextLockName = 1,           // a named object that exists while the product runs
    kTextRunning = 2,            // the product runs: close it first
    kTextQuestion = 3,           // remove the product?
    kTextPhaseFiles = 4,         // "Removing Files"
    kTextPhaseFolders = 5,       // "Removing Directories"
    kTextPhaseRegistry = 6,      // "Removing Registry Entries"
    kTextPhaseDone = 7,          // "All Done"
    kTextRemoved = 8,            // the product has been removed
    kTextErrors = 9,             // some parts could not be removed
    kTextProgressCaption = 10,   // "UnInstalling"
    kTextStatus = 11,            // the product is being removed
    kTextDetailsCaption = 12,    // caption of the list of what is left
    kTextFilesHeading = 13,      // "-- These files could not be removed --"
    kTextFoldersHeading = 14,    // "-- These directories could not be removed --"
    kTextKeysHeading = 15,       // "-- These registry entries could not be removed --"
    kTextProductName = 16,
    kTextOk = 17,                // "OK"
    kTextDetails = 18,           // "&Details..."
};

struct UninstallTexts {
    const char* text[fmt::kUninstallTextCount] = {};
    const char* operator[](UninstallText index) const { return text[index]; }
};

// Points `texts` at the 19 texts of the log in `bytes` (`size` bytes, the
// section header first). False when an offset lies outside the data area
// these bytes hold or its text is not terminated within them: the setup
// program writes only sound offsets, so such a log is damaged.
bool readUninstallTexts(const fmt::u8* bytes, std::size_t size, UninstallTexts& texts);

// The uninstaller's own texts, for a log without a digest: such a log may
// have been edited by anyone who can write the install folder, so neither
// its texts nor its lock name are believed. The lock name and the product
// name are empty (no running check can be made by them); the question says
// that the log is checked strictly and names `installFolder`, formatted into
// `room` (`size` bytes).
UninstallTexts ownUninstallTexts(const char* installFolder, char* room, std::size_t size);

}  // namespace uninstaller

#endif
