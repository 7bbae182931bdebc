// The directory chooser behind the destination page's Browse button: the
// user types a folder or picks one from the folder list of a drive, switches
// drives and may connect a network drive. It edits installDir in place: after
// OK it holds the checked folder with its closing backslash, after Cancel
// the folder it had when the chooser opened.
#ifndef UI_CHOOSER_DIRECTORY_CHOOSER_H
#define UI_CHOOSER_DIRECTORY_CHOOSER_H

#include <windows.h>

namespace setup {

// Private messages of the chooser, both without parameters: refill the drive
// list, refill the folder list from installDir.
inline constexpr UINT WM_FILLDRIVES = WM_USER + 1;
inline constexpr UINT WM_FILLDIRS = WM_USER + 2;

// The dialog procedure of template 104. Ends with 1 after OK, 0 after
// Cancel, Esc or the close box.
INT_PTR directoryChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the chooser modally, owned by `owner`.
void runDirectoryChooser(HWND owner);

}  // namespace setup

#endif
