// The end of an interactive removal when something stayed: the errors
// window (the log's text 9, OK 17 and Details 18) and, from its Details
// button, the window listing what is left (caption 12, lists 13 to 15).
#ifndef UNINSTALLER_WINDOWS_RESULT_WINDOWS_H
#define UNINSTALLER_WINDOWS_RESULT_WINDOWS_H

#include <windows.h>

#include "uninstaller/removal/removal_report.h"
#include "uninstaller/uninstall_texts.h"

namespace uninstaller {

// Shows the errors window until OK, Esc or its close box.
void showErrorsWindow(HINSTANCE instance, const UninstallTexts& texts, const RemovalReport& report);

}  // namespace uninstaller

#endif
