// The whole run of the setup program, from start-up to the end of the
// process: the one place that wires the engine's steps and the windows
// together.
#ifndef SETUP_MAIN_SEQUENCE_H
#define SETUP_MAIN_SEQUENCE_H

#include <windows.h>

#include "engine/extract/extraction_state.h"

namespace setup {

// The product's extraction run, prepared before the wizard, which changes
// its selection.
extern ExtractionState productExtraction;
// The "Version" value of an installed copy, empty when none.
extern char installedVersion[64];

// Runs the installation. Never returns: every way out ends the process,
// through exitSetup or, before anything is written, directly with code 0.
// Fatal failures are raised to the caller's handler.
[[noreturn]] void runSetup(HINSTANCE instance, const char* commandLine);

// The end of a successful run: the reboot question when rebootRequired is
// set, otherwise the completion message chosen by the flags; then
// exitSetup(0).
[[noreturn]] void finishInstallation();

}  // namespace setup

#endif
