#include "base/system_library.h"

namespace setup {

void restrictLibrarySearchToSystem() {
    // Windows 9x has neither call; an NT system that emulates it for this
    // program (a compatibility mode) is left its 9x search order too.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
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
