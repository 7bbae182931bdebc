// The user's Desktop and Programs folders, where shortcuts go and where a
// removal by log may reach.
#ifndef ENGINE_SYSTEM_SHELL_FOLDERS_H
#define ENGINE_SYSTEM_SHELL_FOLDERS_H

#include <cstdint>

namespace setup {

enum class ShellFolder { desktop, programs };

inline constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kShellFolderDesktop[] = "Desktop";
inline constexpr char kShellFolderPrograms[] = "Programs";

// The user's Desktop or Programs folder as the shell's "Shell Folders"
// value names it, spelt in the code page (readRegistryFolder,
// engine/paths/system_folders.h), or its fixed fallback
// ("C:\Windows\Desktop", "C:\Windows\Start Menu\Programs") when the value
// is missing. False, with `dest` empty, when the folder has no spelling.
bool readShellFolder(ShellFolder folder, char* dest, std::uint32_t size);

}  // namespace setup

#endif
