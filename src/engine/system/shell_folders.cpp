#include "engine/system/shell_folders.h"

#include <windows.h>

#include "engine/system/registry.h"

namespace setup {

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct ShellFolderValue {
    const char* name;
    const char* fallback;
};

constexpr ShellFolderValue kShellFolders[] = {
    {"Desktop", "C:\\Windows\\Desktop"},
    {"Programs", "C:\\Windows\\Start Menu\\Programs"},
};

}  // namespace

void readShellFolder(ShellFolder folder, char* dest, std::uint32_t size) {
    const ShellFolderValue& value = kShellFolders[static_cast<int>(folder)];
    readRegistryString(dest, size, HKEY_CURRENT_USER, kShellFoldersKey, value.name, value.fallback);
}

}  // namespace setup
