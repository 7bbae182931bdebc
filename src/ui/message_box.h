// Every message box of the setup program goes through here, so that a run
// without a user (the fault-injection test build) answers them in one place.
#ifndef UI_MESSAGE_BOX_H
#define UI_MESSAGE_BOX_H

#include <windows.h>

namespace setup {

// MessageBoxA, unless the run answers boxes itself: an unattended run shows
// none (a Yes/No box gets No, any other OK), the fault-injection test build
// answers with the first button. Every box is written to the run's log.
int showMessageBox(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace setup

#endif
