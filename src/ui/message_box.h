// Every message box of the windows goes through here, so that a run without
// a user (the fault-injection test build) answers them in one place; the
// engine's messages come here through the interaction
// (ui/window_interaction.h).
#ifndef UI_MESSAGE_BOX_H
#define UI_MESSAGE_BOX_H

#include <windows.h>

namespace setup {

// MessageBoxA, unless the fault-injection test build answers it with its
// first button. Every box is written to the run's log.
int showMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The question behind every Cancel, Esc and close box of the windows:
// whether to quit the setup, owned by `owner`. True for Yes; false without
// asking while the run is already ending (a failure, or a cancel already
// confirmed), and false when a failure came while the question was open.
// The windows only ask: the engine ends the run (engine/failure/cancel.h).
bool confirmQuit(HWND owner);

}  // namespace setup

#endif
