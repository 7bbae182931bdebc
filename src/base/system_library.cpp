#include "base/system_library.h"

namespace setup {

bool runsOnWindowsNT() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "NtQueryInformationProcess") != nullptr;
}

bool reportsWindows9x() {
    static const bool reported = [] {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        return !runsOnWindowsNT() ||
               (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS);
    }();
    return reported;
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

HMODULE loadLibraryAt(const char* path) {
    // On NT the search order set at start-up holds for its imports; the
    // altered search would put the current folder back in there, so it is
    // kept to the 9x family, which searches the program's folder first.
    if (!runsOnWindowsNT()) return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return LoadLibraryA(path);
}

namespace {

// `wide` in the ANSI code page into `out`, only when it converts exactly: no
// best fit, no default character.
bool exactly(const WCHAR* wide, char (&out)[MAX_PATH]) {
    BOOL defaulted = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, MAX_PATH, nullptr,
                               &defaulted) != 0 &&
           !defaulted;
}

// The system folder in the ANSI code page: its wide name spelt exactly, else
// its short form spelt exactly, never the best fit that the 8-bit call gives
// (another folder, perhaps one a user made). The 9x family, without the
// wide calls, spells it exactly in the 8-bit call. False when no spelling
// leads there.
bool systemFolder(char (&folder)[MAX_PATH]) {
    using DirectoryFunction = UINT(WINAPI*)(LPWSTR, UINT);
    using ShortPathFunction = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    static const auto wideFolder = systemFunction<DirectoryFunction>(kernel, "GetSystemDirectoryW");
    static const auto shortPath = systemFunction<ShortPathFunction>(kernel, "GetShortPathNameW");
    WCHAR wide[MAX_PATH], shortForm[MAX_PATH];
    const UINT length = wideFolder != nullptr ? wideFolder(wide, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH) {
        const UINT narrow = GetSystemDirectoryA(folder, MAX_PATH);
        return narrow != 0 && narrow < MAX_PATH;
    }
    if (exactly(wide, folder)) return true;
    const DWORD shortLength = shortPath != nullptr ? shortPath(wide, shortForm, MAX_PATH) : 0;
    return shortLength != 0 && shortLength < MAX_PATH && exactly(shortForm, folder);
}

}  // namespace

HMODULE loadSystemLibrary(const char* name) {
    char folder[MAX_PATH];
    if (!systemFolder(folder)) return nullptr;
    char path[MAX_PATH];
    if (!systemLibraryPath(path, sizeof path, folder, name)) return nullptr;
    // Its own imports come from the system folder too: on NT by the search
    // order set at start-up, or, without one, because they are the libraries
    // Windows always takes from there; on 9x by the search from its folder.
    return loadLibraryAt(path);
}

}  // namespace setup
