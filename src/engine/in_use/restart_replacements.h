// Files in use that a run replaces at the next restart, once the user chose
// Ignore (or /REPLACEATRESTART asked for it): the new file is written beside
// the held one under a name of its own, and the system is asked to move it
// into place when it restarts. Only a successful run asks, at its end; a
// rollback deletes the new file like any other it made. Where the system
// does not let the run ask, a held file stays as it is.
#ifndef ENGINE_IN_USE_RESTART_REPLACEMENTS_H
#define ENGINE_IN_USE_RESTART_REPLACEMENTS_H

#include "format/package_format.h"

namespace setup {

// True on Windows NT when the run may write the system's list of renames
// at the next restart (an administrator's right). Windows 9x has none.
bool restartReplacementAllowed();

// From here on files in use are let be: replaced at the restart where the
// system allows it, else kept.
void ignoreFilesInUse();

enum class HeldFileWay {
    fails,      // not a file in use, or files in use are not let be: the run fails as before
    kept,       // left as it is: the system does not let the run replace it later
    atRestart,  // the new file goes to `beside`, and into place at the restart
};

// The way for the existing file at `path` that cannot be moved aside, the
// thread's last error as the move left it (and left so for a failure). For
// atRestart `beside` names a free place in the same folder
// ("<path>.~<n>"), and the pair is remembered for the end of the run.
HeldFileWay wayForHeldFile(const char* path, char (&beside)[fmt::kMaxPath]);

// The end of a successful run: asks the system to move each new file into
// place at the next restart and sets rebootRequired when it did. A file
// the system refuses is deleted again, its held file stays; the run's log
// says which.
void registerReplacementsAtRestart();

}  // namespace setup

#endif
