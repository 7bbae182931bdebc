// The product descriptions the scenarios build installers from, written as
// the TOML that mkpackage reads.
#ifndef E2E_HARNESS_PRODUCT_DESCRIPTION_H
#define E2E_HARNESS_PRODUCT_DESCRIPTION_H

#include <string>
#include <utility>
#include <vector>

#include "process.h"

namespace e2e {

struct ComponentDescription {
    std::string name;
    std::vector<std::string> files;  // relative to the description file
    // Further entries of the files list, as TOML inline tables
    // (e.g. { folder = "many", to = "Many" }).
    std::vector<std::string> rawEntries = {};
};

struct ProductDescription {
    std::string name;
    std::string version = "1.00";
    std::string registryKey;     // below HKLM, e.g. "Software\\E2E\\Name"
    std::string defaultFolder;   // with path macros; ends with a backslash
    std::string logName = "InstallLog";
    std::vector<std::string> productLines;  // further [product] lines ("publisher = \"X\"")
    std::vector<std::pair<std::string, std::string>> texts;  // slot name, text
    std::vector<std::string> directXReasons;                // the 14 of them, or none
    std::vector<std::string> flags;                         // named flags
    std::vector<ComponentDescription> components;
    std::vector<std::string> defaultSelection;              // component names
    std::vector<std::string> options;  // further [options] lines ("preset-1 = [\"A\"]")
    // Wizard pages, each its items as TOML inline tables
    // ("{ text = \"Welcome\", flags = [\"bold\"] }"); written after extraToml.
    std::vector<std::vector<std::string>> pages;
    std::string extraToml;  // further tables ([images], [[pictures]]), written last

    void setText(const std::string& slot, const std::string& text);
    std::string toToml() const;
};

// A TOML basic string with the escapes TOML needs.
std::string tomlString(const std::string& text);

// One post-install action as a [[components.actions]] table, for extraToml.
// type is "desktop-shortcut" or "programs-shortcut".
std::string shortcutAction(const std::string& type, const std::string& program,
                           const std::string& name, const std::string& arguments);
std::string registryValueAction(const std::string& root, const std::string& key,
                                const std::string& value, const std::string& data);
// type is "remove-file" or "remove-file-flagged".
std::string removeFileAction(const std::string& type, const std::string& path);
// type is "remove-key" or "remove-key-flagged".
std::string removeKeyAction(const std::string& type, const std::string& root, const std::string& key);

// Runs mkpackage build on the description file with the program image as
// stub and the uninstaller of the same build, and any further arguments;
// the result carries mkpackage's exit code and messages.
CommandResult buildInstaller(const std::string& descriptionPath, const std::string& outputPath,
                             const std::vector<std::string>& moreArguments = {});
// True when the mkpackage of this build can build installers (it answers
// --help); the scenarios that need a package are skipped otherwise.
bool packageBuilderAvailable();

}  // namespace e2e

#endif
