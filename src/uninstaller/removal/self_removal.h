// The uninstaller is a file of the installation it removes, and a running
// program's file cannot be deleted. Its removal is left to a copy of it in
// a private folder made for it in the temporary folder (a new folder of an
// unpredictable name that only the user, the system and the administrators
// may use), started from there at the end ("/FINISH"): the copy waits until
// this process has ended, deletes the original's file and the folders that
// held nothing else, and ends. The copy's own file is opened for deletion
// on close, sharing no deletion, before the copy starts, and the copy
// inherits that handle, so the system deletes it as soon as the copy ends;
// where that cannot be had, it is marked for deletion at the next restart.
// The emptied folder goes at the next restart. The 9x family has neither
// (no delete-on-close for a running program's file, MoveFileExA a stub):
// where the system reports 9x, the copy's file is listed in WININIT.INI's
// "[rename]" section, which 9x works through at its next restart; its
// emptied private folder stays in the temporary folder there.
#ifndef UNINSTALLER_REMOVAL_SELF_REMOVAL_H
#define UNINSTALLER_REMOVAL_SELF_REMOVAL_H

#include <cstdint>

#include "format/package_format.h"
#include "uninstaller/removal/removal_report.h"
#include "uninstaller/uninstall_command_line.h"

namespace uninstaller {

class SelfRemoval {
public:
    // `image`: this program's own file.
    explicit SelfRemoval(const char* image);

    // True when the log's file entry is this program's own file: it is left
    // for the copy instead of being deleted now.
    bool deferIfOwnImage(const char* path);
    // For a log folder that could not be removed: true when it lies on the
    // way to the deferred file and holds nothing but that way (the file, or
    // the folder deferred just before): the copy removes it after the file.
    bool deferIfOnlyHoldsOwnImage(const char* folder);

    // Starts the copy when anything was deferred. When it cannot be started,
    // the deferred file and folders go into the report as left over.
    void start(RemovalReport& report);

private:
    static constexpr unsigned kMaxDeferredFolders = 64;

    char image_[fmt::kMaxPath] = {};
    const char* deferredImage_ = nullptr;   // the log's text for the file
    const char* deferredFolders_[kMaxDeferredFolders] = {};
    unsigned deferredLevels_ = 0;
};

// The copy's work ("/FINISH"): waits for the original process, deletes its
// file (retrying while the system still holds it) and up to `folderLevels`
// folders above it, innermost first, each only when empty. Returns the exit
// code: 0 when the file went, 1 otherwise.
int finishSelfRemoval(const Command& command);

}  // namespace uninstaller

#endif
