#include "engine/removal/restart_removal.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "engine/removal/restart_removal_list.h"
#include "format/package_format.h"

namespace setup {

bool deleteAtNext9xRestart(const char* path) {
    // The restart works through the list before long names are available.
    char shortPath[fmt::kMaxPath];
    const DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (shortLength == 0 || shortLength >= sizeof shortPath) return false;
    char windows[fmt::kMaxPath];
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (windowsLength == 0 || windowsLength >= sizeof windows) return false;
    char list[fmt::kMaxPath];
    if (!formatBounded(list, sizeof list, windows[windowsLength - 1] == '\\' ? "%s%s" : "%s\\%s", windows,
                       kRestartListFile))
        return false;
    // Read and written whole: a key written alone would replace another
    // program's "NUL=" line. The 9x family gives at most 32 KiB of a section.
    static char section[32 * 1024];
    static char updated[sizeof section + fmt::kMaxPath + 8];
    const DWORD length = GetPrivateProfileSectionA(kRestartListSection, section, sizeof section, list);
    if (length >= sizeof section - 2) return false;
    if (!sectionWithDeletion(section, length, shortPath, updated, sizeof updated)) return false;
    if (!WritePrivateProfileSectionA(kRestartListSection, updated, list)) return false;
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, list);  // written through, not cached
    return true;
}

}  // namespace setup
