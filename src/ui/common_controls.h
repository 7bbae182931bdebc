// The common controls library, loaded from the system folder at run time:
// the wizard's property sheet, and the window classes of the progress bar
// and the animation that the progress window uses.
#ifndef UI_COMMON_CONTROLS_H
#define UI_COMMON_CONTROLS_H

#include <windows.h>
#include <commctrl.h>

namespace setup {

using PropertySheetFunction = INT_PTR(WINAPI*)(LPCPROPSHEETHEADERA);

// Loads the library once and registers its window classes; the property
// sheet function, or nullptr when the library or the function is missing.
PropertySheetFunction loadCommonControls();

}  // namespace setup

#endif
