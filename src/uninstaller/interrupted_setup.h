// A setup of the product that was killed in its folder left the product
// half changed, with what it moved aside in its backup folder and its
// journal beside it. The uninstaller undoes that run before it looks at the
// product, with the setup program's own undo: what the run made goes, what
// it moved aside, removed or changed comes back.
#ifndef UNINSTALLER_INTERRUPTED_SETUP_H
#define UNINSTALLER_INTERRUPTED_SETUP_H

#include <cstddef>

namespace uninstaller {

enum class InterruptedSetup {
    none,    // no killed setup names the folder
    undone,  // every killed setup that named it is undone
    kept,    // a journal could not be trusted: nothing of it undone
};

// Undoes every killed setup whose journal names the folder of the log at
// `logPath`, or a folder above it, as a place its run made things in: the
// log itself may be among what the run moved aside. This program's own
// file (`ownImage`), where it lies in such a place, may be one the killed
// run made or replaced, and a
// running program's file can be neither removed nor replaced: it is renamed
// beside itself first, and afterwards renamed back, or, where the undo put
// the earlier file back or took the installation away (the log is not
// there after it), marked for deletion at the next restart. On `kept`,
// `keptFolders` lists the folders that keep what the run moved aside.
InterruptedSetup undoInterruptedSetups(const char* logPath, const char* ownImage, char* keptFolders,
                                       std::size_t keptSize);

}  // namespace uninstaller

#endif
