#include "setup/reboot.h"

#include "base/process_state.h"

namespace setup {

BOOL(WINAPI* requestSystemReboot)(UINT flags, DWORD reason) = ExitWindowsEx;

void requestReboot() {
    if (isWindowsNT) {
        HANDLE token;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege",
                                      &privileges.Privileges[0].Luid)) {
                AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
            }
            CloseHandle(token);
        }
    }
    requestSystemReboot(EWX_REBOOT, 0);
}

}  // namespace setup
