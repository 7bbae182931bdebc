// The user's Desktop and Programs folders, where shortcuts go and where a
// removal by log may reach.
#ifndef ENGINE_SYSTEM_SHELL_FOLDERS_H
#define ENGINE_SYSTEM_SHELL_FOLDERS_H

#include <cstdint>

namespace setup {

enum class ShellFolder { desktop, programs };

// The user's Desktop or Programs folder as the shell's "Shell Folders"
// value names it, or its fixed fallback ("C:\Windows\Desktop",
// "C:\Windows\Start Menu\Programs") when the value is missing.
void readShellFolder(ShellFolder folder, char* dest, std::uint32_t size);

}  // namespace setup

#endif
