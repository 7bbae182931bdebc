#include "engine/system/shell_folders.h"

#include <windows.h>

#include "engine/paths/system_folders.h"

namespace setup {

namespace {

struct ShellFolderValue {
    const char* name;
    const char* fallback;
};

constexpr ShellFolderValue kShellFolders[] = {
    {kShellFolderDesktop, "C:\\Windows\\Desktop"},
    {kShellFolderPrograms, "C:\\Windows\\Start Menu\\Programs"},
};

}  // namespace

bool readShellFolder(ShellFolder folder, char* dest, std::uint32_t size) {
    const ShellFolderValue& value = kShellFolders[static_cast<int>(folder)];
    return readRegistryFolder(HKEY_CURRENT_USER, kShellFoldersKey, value.name, value.fallback, dest, size);
}

}  // namespace setup
