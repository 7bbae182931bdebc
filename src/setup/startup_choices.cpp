#include "setup/startup_choices.h"

#include "format/package_format.h"
#include "setup/version_compare.h"

namespace setup {

InstallPrompt chooseInstallPrompt(const char* packageVersion, const char* installedVersion) {
    if (installedVersion[0] == '\0') return InstallPrompt::kInstall;
    int order = compareVersions(packageVersion, installedVersion);
    if (order < 0) return InstallPrompt::kNewerInstalled;
    if (order == 0) return InstallPrompt::kReinstall;
    return InstallPrompt::kUpgrade;
}

CompletionText chooseCompletionText(std::uint32_t flags) {
    if (flags & fmt::kFlagStartMenuShortcuts) return CompletionText::kStartMenu;
    if (flags & fmt::kFlagDesktopShortcuts) return CompletionText::kDesktop;
    return CompletionText::kFolder;
}

}  // namespace setup
