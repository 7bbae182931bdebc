#include "base/system_library.h"

#include "base/bounded_text.h"

namespace setup {

void restrictLibrarySearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(kSearchSystem32)) return;
    auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory != nullptr) setDirectory("");
}

HMODULE loadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    if (!appendBounded(path, "\\") || !appendBounded(path, fileName)) return nullptr;
    // Its own imports come from the system folder too: by the search order
    // set at start-up, or, without one, because they are the libraries
    // Windows always takes from there.
    return LoadLibraryA(path);
}

}  // namespace setup
