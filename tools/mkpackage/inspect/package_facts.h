// What inspect reads out of a verified package beyond its records: where the
// uninstaller is stored, the components every installation takes and the
// extra texts, for the listing and the JSON document alike.
#ifndef MKPACKAGE_PACKAGE_FACTS_H
#define MKPACKAGE_PACKAGE_FACTS_H

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "format/language_table.h"
#include "format/package_reader.h"

namespace mkpackage {

struct StoredUninstaller {
    const std::string* name = nullptr;         // the configured uninstaller name
    const fmt::VerifiedFile* file = nullptr;   // the stored file, or nullptr
    std::size_t component = 0;                 // of `file`
    bool asked = false;                        // the uninstall entry or shortcut starts it
};

// Where the program that the uninstall entry and its shortcut start is
// stored; `name` is nullptr when the record is not loaded.
StoredUninstaller findStoredUninstaller(const fmt::PackageReport& report);

// The always-installed record's mask, 0 without one.
fmt::u32 alwaysInstalledMask(const fmt::PackageReport& report);

// The extra texts of the package, by name, in id order (8-bit as stored).
std::vector<std::pair<std::string, std::string>> extraTexts(const fmt::PackageReport& report);

// One of the package's languages; the first one's texts are the
// configuration record's and are not repeated here.
struct LanguageFacts {
    fmt::LanguageEntry entry{};
    bool first = false;
    std::array<std::string, fmt::kTextSlotCount> texts;
    std::array<std::string, fmt::kUninstallTextCount> uninstallTexts;
    std::vector<std::string> pageTexts;
    std::vector<std::pair<std::string, std::string>> extraTexts;  // by name, in id order
};

// The languages of the languages record, the first one first; empty for a
// package with one language (or a record the verifier refused).
std::vector<LanguageFacts> packageLanguages(const fmt::PackageReport& report);

}  // namespace mkpackage

#endif
