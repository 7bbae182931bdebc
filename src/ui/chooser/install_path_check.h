// The check of a folder the user typed in the directory chooser: the rules
// of engine/paths/install_path.h, with a message box for each refusal.
#ifndef UI_CHOOSER_INSTALL_PATH_CHECK_H
#define UI_CHOOSER_INSTALL_PATH_CHECK_H

#include <windows.h>

#include <cstddef>

namespace setup {

// True when `letter` is a letter and that drive (upper-cased) is in the
// system's logical-drive mask.
bool driveExists(char letter);

// Checks and normalises the folder typed into `text` (a buffer of `size`
// bytes with room for one more character): "/" becomes "\" and a closing
// "\" is added. A folder that passes is copied to installDir and true comes
// back. Otherwise the first problem is shown, owned by `dialog` and captioned
// with the invalid-path title, and false comes back:
//   empty; more than 150 characters; the leftmost offending character
//   (one of * ? " < > | for the forbidden-character message, a ":" that is
//   not the second character after a present drive's letter for the
//   bad-drive message); a folder that names no drive or share (a relative
//   one, which would lie wherever the current folder happens to be), with
//   the bad-drive message too; a drive's or share's root, the Windows or
//   system folder or a folder that holds them (msgFolderNotAllowed).
bool validateInstallPath(HWND dialog, char* text, std::size_t size);

}  // namespace setup

#endif
