#include <windows.h>
#include <shlobj.h>

#include "engine/system/shell_notice.h"
#include "package/setup_config.h"

namespace setup {

void announceUnattendedChanges() {
    static char folders[kMaxNoticeFolders][fmt::kMaxPath];
    const std::size_t count = foldersToNotify(config().uninstall, folders, kMaxNoticeFolders);
    for (std::size_t i = 0; i < count; ++i)
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, folders[i], nullptr);
}

}  // namespace setup
