// Libraries that Windows does not always take from the system folder
// (comctl32, version, mpr) are loaded by their full path there, never by a
// bare name that the search order could resolve to a file planted beside
// the program; their functions are looked up at run time.
#ifndef BASE_SYSTEM_LIBRARY_H
#define BASE_SYSTEM_LIBRARY_H

#include <cstddef>

namespace setup {

// "<systemDir>\<name>" into dest (one backslash between them, none doubled).
// False, with dest empty, when systemDir is empty or the path does not fit.
bool systemLibraryPath(char* dest, std::size_t size, const char* systemDir, const char* name);

}  // namespace setup

#ifdef _WIN32
#include <windows.h>

namespace setup {

// True on every Windows NT system, also one that reports a Windows 9x
// platform to this program (a compatibility mode): ntdll.dll, which every
// NT process has loaded, exports the native system calls. Windows 9x has no
// such library in the process.
bool runsOnWindowsNT();

// True when the system reports a Windows 9x platform to this program, or is
// no Windows NT: Windows 98 and Me, and an NT system in a compatibility mode
// that reports one (Wine's Windows 98 mode). Where the 9x family does a
// thing its own way (the registry through its 8-bit functions, a removal at
// the next restart through WININIT.INI) that way is taken then; each serves
// on NT too. What needs NT's security stays with runsOnWindowsNT() alone.
bool reportsWindows9x();

// The first call of a program: from here on every library the process
// loads, the system's own loads on its behalf included, comes from the
// system folder alone (SetDefaultDllDirectories, looked up at run time so
// that the program still starts where it is missing; there the current
// folder at least leaves the search order), on every NT system whatever
// platform it reports. Windows 9x offers neither and keeps its search order.
void restrictLibrarySearchToSystem();

// Loads the library at the full path `path`; nullptr when it cannot. Where
// the search order is not restricted (the 9x family) the libraries it
// imports are looked for from its own folder on, never first beside the
// program, where a download lies beside anything.
HMODULE loadLibraryAt(const char* path);

// Loads the library `name` from the system folder (loadLibraryAt); nullptr
// when it cannot. The module stays loaded until the process ends.
HMODULE loadSystemLibrary(const char* name);

// The exported function `name` of `module` as the given pointer type;
// nullptr when the module is missing or does not export it.
template <typename Function>
Function systemFunction(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The same for the system library `fileName`, loaded on first use.
template <typename Function>
Function systemFunction(const char* fileName, const char* name) {
    return systemFunction<Function>(loadSystemLibrary(fileName), name);
}

}  // namespace setup
#endif

#endif
