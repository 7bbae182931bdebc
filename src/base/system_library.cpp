#include "base/system_library.h"

#include "base/bounded_text.h"

namespace setup {

HMODULE loadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    if (!appendBounded(path, "\\") || !appendBounded(path, fileName)) return nullptr;
    // The altered search path makes the library's own imports resolve from
    // its folder, the system folder, too.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace setup
