// The progress window of an extraction: its caption, the lines of the
// component and the file being extracted, the bar and the animation clip.
// Its Cancel (and Esc and the close box, which the dialog manager turns into
// it) asks whether to quit; a confirmed quit closes the window, ends an
// open replace question, and is seen by the engine (Display::cancelSeen),
// which ends the run.
#ifndef UI_PROGRESS_WINDOW_H
#define UI_PROGRESS_WINDOW_H

#include <cstdint>

#include "engine/interaction.h"

namespace setup {

// Creates the window (template 107) modeless and without owner: the title,
// the Cancel caption and the animation clip, whose picture file is written
// anew for every window (and may raise error code 5). Without `cancellable`
// its Cancel and close box are off and Esc does nothing.
void openProgressWindow(const ProgressTexts& texts, bool cancellable = true);

// The lines and the bar, each touched only when it changed: the group line
// from the texts' group format (a null `group` leaves it), the file line
// from the file format, the bar at done / total of 1024.
void showProgressWindow(const char* group, const char* file, std::int32_t done, std::int32_t total);

// Handles the window's waiting messages; never waits, and calls nothing
// without a window.
void pumpProgressWindow();

// True once a quit was confirmed in the window.
bool progressCancelConfirmed();

void closeProgressWindow();

}  // namespace setup

#endif
