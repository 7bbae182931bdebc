// `mkpackage inspect`: verifies an installer and prints its listing or its
// JSON document.
#ifndef MKPACKAGE_INSPECT_INSTALLER_H
#define MKPACKAGE_INSPECT_INSTALLER_H

#include <filesystem>
#include <ostream>

namespace mkpackage {

// Verifies the installer at `path` and prints its listing (or, with `json`,
// the JSON document of inspect --json, which names the defect as well);
// true when sound.
bool inspectInstaller(const std::filesystem::path& path, bool json, std::ostream& out, std::ostream& errors);

// inspectInstaller as a listing, with a defect on `out` too (tests).
bool printInstallerReport(const std::filesystem::path& path, std::ostream& out);

}  // namespace mkpackage

#endif
