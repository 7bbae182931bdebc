// The progress window of an extraction run, and the cancel confirmation that
// is the one way a user stops an installation.
#ifndef UI_PROGRESS_WINDOW_H
#define UI_PROGRESS_WINDOW_H

#include <windows.h>

#include "engine/extract/extraction_state.h"

namespace setup {

// Creates the progress window (template 107) modeless and without owner for
// `state`: its title, the Cancel caption and the animation clip.
HWND createProgressWindow(ExtractionState& state);

// Asks (when `ask`) whether to quit, owned by `window`; returns when the user
// declines. Otherwise closes the open output file without stamping it,
// destroys `window` (or its parent), undoes the run by the log, reports the
// cancellation and ends the process with exit code 8.
void confirmCancel(HWND window, bool ask);

}  // namespace setup

#endif
