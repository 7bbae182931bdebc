#include "base/system_library.h"

namespace setup {

bool runsOnWindowsNT() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "NtQueryInformationProcess") != nullptr;
}

void restrictLibrarySearchToSystem() {
    // Windows 9x has neither call. An NT system in a compatibility mode
    // reports 9x, yet has them: the platform it reports does not decide.
    if (!runsOnWindowsNT()) return;
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    auto setDefault =
        systemFunction<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(kSearchSystem32)) return;
    auto setDirectory = systemFunction<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA");
    if (setDirectory != nullptr) setDirectory("");
}

HMODULE loadSystemLibrary(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return nullptr;
    char path[MAX_PATH];
    if (!systemLibraryPath(path, sizeof path, folder, name)) return nullptr;
    // Its own imports come from the system folder too: by the search order
    // set at start-up, or, without one, because they are the libraries
    // Windows always takes from there.
    return LoadLibraryA(path);
}

}  // namespace setup
