// The whole run of the setup program, from start-up to the end of the
// process.
#ifndef ENGINE_MAIN_SEQUENCE_H
#define ENGINE_MAIN_SEQUENCE_H

#include <windows.h>

#include "engine/extraction_state.h"

namespace setup {

// The product's extraction run, prepared before the wizard, which changes
// its selection.
extern ExtractionState productExtraction;
// The "Version" value of an installed copy, empty when none.
extern char installedVersion[64];

// Runs the installation. Never returns: every way out ends the process,
// through exitSetup or, before anything is written, directly with code 0.
// Fatal failures are raised to the caller's handler.
[[noreturn]] void runSetup(HINSTANCE instance);

}  // namespace setup

#endif
