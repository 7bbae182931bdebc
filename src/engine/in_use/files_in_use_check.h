// The look for files in use before a run changes anything: every file the
// run will replace (a stored file of the selection whose place holds one)
// or remove (a file of the previous installation, by its log) is tried for
// whether it can be moved aside, without changing it.
#ifndef ENGINE_IN_USE_FILES_IN_USE_CHECK_H
#define ENGINE_IN_USE_FILES_IN_USE_CHECK_H

#include "engine/extract/extraction_state.h"

namespace setup {

// Once the selection and the folder are known, before the first change.
// Returns at once when nothing is held. Otherwise the run's log names the
// files and the programs holding them, and
//   attended:   the files-in-use question (Questions::askFilesInUse) until
//               Retry finds nothing; Ignore lets them be
//               (engine/in_use/restart_replacements.h); Cancel ends the
//               run as a confirmed cancel, nothing changed;
//   unattended: with `replaceAtRestart` (and a system that allows it) the
//               files are let be as with Ignore; otherwise the run ends
//               with kExitFilesInUse, nothing changed.
// A stored file's entry that cannot be read raises error code 1.
void checkFilesInUse(const ExtractionState& product, bool replaceAtRestart);

}  // namespace setup

#endif
