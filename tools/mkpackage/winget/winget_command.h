// `mkpackage winget INSTALLER --id Publisher.Product --url URL [--locale
// en-US] [--license TEXT] -o DIR`: the manifest (winget/manifest.h) of an
// installer this builder made, written into DIR.
#ifndef MKPACKAGE_WINGET_COMMAND_H
#define MKPACKAGE_WINGET_COMMAND_H

#include <filesystem>
#include <ostream>
#include <string>

namespace mkpackage {

struct WingetOptions {
    std::filesystem::path installer;
    std::string id, url;
    std::string locale = "en-US";
    std::string license = "Proprietary";
    std::filesystem::path folder;
};

// Verifies the installer, fills the manifest from its package and its file's
// SHA-256 and writes the three files (each through a temporary file), naming
// them on `out`. Returns the exit code: 0 written, 1 an installer that fails
// inspect, writes no uninstall entry or holds a text the schema refuses, or a
// folder that cannot be written, 2 an --id, --url, --locale or --license the
// schema refuses; the reason goes to `errors`.
int writeWingetManifest(const WingetOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace mkpackage

#endif
