// The decisions of the start-up that depend only on texts and flags.
#ifndef SETUP_STARTUP_CHOICES_H
#define SETUP_STARTUP_CHOICES_H

#include <cstddef>
#include <cstdint>

namespace setup {

enum class InstallPrompt {
    kInstall,         // nothing installed: plain install question
    kNewerInstalled,  // the installed version sorts after the package's: refuse
    kReinstall,       // same version: reinstall question, No as default
    kUpgrade,         // the package's version sorts after the installed one
};

// Which question start-up asks, from the package's version text and the
// installed one (empty when none is installed).
InstallPrompt chooseInstallPrompt(const char* packageVersion, const char* installedVersion);

enum class CompletionText { kStartMenu, kDesktop, kFolder };

// The completion message by the configuration flags: start-menu shortcuts
// win over desktop shortcuts; with neither, the folder text.
CompletionText chooseCompletionText(std::uint32_t flags);

// Whether the installed product's "InstallDir" value (in `folder`, a buffer
// of `size` bytes) may be where a reinstall or an upgrade starts: a full
// folder that the directory chooser would accept as typed. It may gain its
// closing backslash on the way.
bool usableInstalledFolder(char* folder, std::size_t size, bool (*driveExists)(char letter));

}  // namespace setup

#endif
