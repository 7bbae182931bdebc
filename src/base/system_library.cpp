#include "base/system_library.h"

namespace setup {

HMODULE loadSystemLibrary(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return nullptr;
    char path[MAX_PATH];
    if (!systemLibraryPath(path, sizeof path, folder, name)) return nullptr;
    return LoadLibraryA(path);
}

}  // namespace setup
