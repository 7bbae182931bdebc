// The directory chooser behind the destination page's Browse button: it
// edits installDir in place and returns when the user closes it.
#ifndef UI_DIRECTORY_CHOOSER_H
#define UI_DIRECTORY_CHOOSER_H

#include <windows.h>

namespace setup {

// Runs the chooser modally, owned by `owner`.
void runDirectoryChooser(HWND owner);

}  // namespace setup

#endif
