// The status popup: an icon and one line of text without a caption bar,
// sized to its text and centred, shown while the program works without a
// progress bar. Its creator destroys it. The engine opens it through the
// display (ui/window_interaction.h).
#ifndef UI_NOTICE_DIALOG_H
#define UI_NOTICE_DIALOG_H

#include <windows.h>

namespace setup {

// Creates the popup (template 105) modeless and without owner, shows it at
// once and returns its window; `icon` may be null. The text goes to the
// run's log.
HWND showStatusPopup(const char* text, HICON icon);

}  // namespace setup

#endif
