// What a description allows but a release most likely does not want: texts
// the installer will show empty, components that install nothing, setup-type
// buttons that show checked together, shortcuts to files the component does
// not install, macros the setup program leaves as written, registrations that
// go where nobody looks, and a version the setup program orders otherwise
// than its numbers do. Warnings never stop a build unless asked to (--werror).
#ifndef MKPACKAGE_DESCRIPTION_WARNINGS_H
#define MKPACKAGE_DESCRIPTION_WARNINGS_H

#include <string>
#include <vector>

#include "description/description.h"

namespace mkpackage {

struct Warning {
    long line;
    std::string field;
    std::string what;
};

// The warnings for `description` as it will be built (after the bundled
// uninstaller is added). `previousVersion`, when not empty, is the version
// this one replaces.
std::vector<Warning> findWarnings(const Description& description, const std::string& previousVersion = "");

// "file:line: warning: field: what"
std::string formatWarning(const Description& description, const Warning& warning);

// The setup program's order of version texts: byte by byte after folding
// ASCII A-Z to lower case; a text that ends first sorts first. <0, 0, >0.
int compareVersionTexts(const std::string& a, const std::string& b);

// The order of their numbers: runs of digits compare as numbers, anything
// else as case-folded text, run by run. <0, 0, >0.
int compareVersionNumbers(const std::string& a, const std::string& b);

}  // namespace mkpackage

#endif
