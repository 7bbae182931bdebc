#include "setup/startup_choices.h"

#include "engine/paths/install_path.h"
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

bool usableInstalledFolder(char* folder, std::size_t size, bool (*driveExists)(char letter)) {
    return checkInstallPath(folder, size, driveExists) == InstallPathProblem::none && isAbsoluteInstallPath(folder);
}

}  // namespace setup
