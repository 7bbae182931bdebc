// The restart the completion question offers: the shutdown privilege taken
// on Windows NT, then the system asked to restart.
#ifndef SETUP_REBOOT_H
#define SETUP_REBOOT_H

#include <windows.h>

namespace setup {

// Enables the shutdown privilege on NT and asks for a reboot; the results
// of these calls are ignored: the process ends with code 0 either way.
void requestReboot();

// The system's reboot request, ExitWindowsEx; the Win32 tests put a stand-in
// here so that a Yes to the reboot question does not end their session.
extern BOOL(WINAPI* requestSystemReboot)(UINT flags, DWORD reason);

}  // namespace setup

#endif
