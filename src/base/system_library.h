// Libraries that Windows does not always take from its system folder
// (comctl32, version, mpr) are loaded at run time by their full path in that
// folder, never by bare name: a library of the same name planted beside the
// program, as in a download folder, must never run with its rights.
#ifndef BASE_SYSTEM_LIBRARY_H
#define BASE_SYSTEM_LIBRARY_H

#include <windows.h>

namespace setup {

// The first call of a program: from here on every library the process
// loads, the system's own loads on its behalf included, comes from the
// system folder alone (SetDefaultDllDirectories, looked up at run time so
// that the program still starts where it is missing; there the current
// folder at least leaves the search order).
void restrictLibrarySearchToSystem();

// Loads `fileName` (e.g. "comctl32.dll") from the system folder; nullptr when
// the path does not fit or the library cannot be loaded. The library stays
// loaded until the process ends.
HMODULE loadSystemLibrary(const char* fileName);

// The function `name` of the system library `fileName`, or nullptr.
template <typename Function>
Function systemFunction(const char* fileName, const char* name) {
    HMODULE library = loadSystemLibrary(fileName);
    if (library == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace setup

#endif
