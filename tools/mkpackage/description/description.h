// A product description as the reader leaves it (description_reader.h):
// checked, and with every text already in the package's 8-bit code page.
#ifndef MKPACKAGE_DESCRIPTION_H
#define MKPACKAGE_DESCRIPTION_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "format/package_format.h"
#include "format/stream_methods.h"
#include "sources/icon_file.h"
#include "sources/picture_file.h"
#include "sources/source_files.h"

namespace mkpackage {

struct ComponentSpec {
    std::string name;           // 8-bit, at most 127 bytes
    std::vector<SourceFile> files;
    std::vector<fmt::InstallAction> actions;
    std::vector<long> actionLines;  // of each action's table
    long line = 0;
};

struct PageItemSpec {
    fmt::u32 type = 0;
    fmt::u32 flags = 0;
    std::string data;           // the stored data bytes (text with NUL, or an i32)
};

// What the system's list of programs and the installer's own file say of
// the product beyond its texts: [product] publisher, display-version,
// about-url, help-url, contact, comments, display-icon, copyright and
// installer-icon.
struct DeploymentSpec {
    // The package's extra texts (8-bit), ids ascending; only those given.
    std::vector<std::pair<fmt::u16, std::string>> extraTexts;
    long displayIconLine = 0;  // 0: no display-icon given
    // The installer's version resource, in UTF-8: the name, the version, the
    // display version (the version when not given), publisher and copyright.
    std::string name, version, displayVersion, publisher, copyright;
    IconFile installerIcon;    // no images: the setup program's own icon stays
};

// A further language of the product ([translations.<code>]): every text a
// run shows, in the language's own code page, with what the translation
// leaves out already filled in (translation_fields.h).
struct TranslationSpec {
    std::string code;              // "de"
    std::string name;              // 8-bit in codePage: "Deutsch"
    unsigned codePage = 1252;
    fmt::u16 primaryLanguage = 0;
    fmt::u16 subLanguage = 0;
    std::array<std::string, fmt::kTextSlotCount> texts;
    std::array<std::string, fmt::kUninstallTextCount> uninstallTexts;
    std::vector<std::string> pageTexts;                   // by position, as the pages hold them
    std::vector<std::pair<fmt::u16, std::string>> extraTexts;  // ids ascending
    std::vector<std::string> fallbacks;                   // fields that took the first language's text
    long line = 0;
};

// The description's own language: [product] language, its name and ids.
struct LanguageSpec {
    std::string code = "en";
    std::string name = "English";  // 8-bit in the description's code page
    fmt::u16 primaryLanguage = 0x09;
    fmt::u16 subLanguage = 0;
};

struct Description {
    std::filesystem::path file;                              // as given
    unsigned codePage = 1252;                                // of the 8-bit texts
    std::array<std::string, fmt::kTextSlotCount> texts;      // 8-bit, by slot index
    std::array<long, fmt::kTextSlotCount> textLines{};       // where each was given; 0: a default
    std::array<std::string, fmt::kUninstallTextCount> uninstallTexts;
    fmt::ScalarSettings settings{};                          // counts filled by the record writer
    std::vector<ComponentSpec> components;
    std::vector<std::vector<PageItemSpec>> pages;
    std::vector<PictureSpec> pictures;
    long lastLine = 1;                                       // for errors about the whole record
    bool bundleUninstaller = true;                           // [uninstaller] bundle
    long uninstallerLine = 1;                                // product.uninstaller, or [product]
    long productLine = 1;                                    // of [product]
    long flagsLine = 0;                                      // of options.flags; 0: not given
    long optionsLine = 0;                                    // of [options]; 0: not given
    // Texts beyond the 90 slots (fmt::ExtraTextId), as given; a text left
    // out is the setup program's built-in default.
    std::map<fmt::u16, std::string> extraTexts;
    // Components every installation takes (the always-installed record);
    // the bundled uninstaller's, or the one storing the product's own.
    fmt::u32 alwaysInstalled = 0;
    DeploymentSpec deployment;
    LanguageSpec language;
    // Languages beyond the first, in the description's order; none: the
    // package has no languages record.
    std::vector<TranslationSpec> translations;
    bool languageDialog = false;  // [options] language-dialog
    // How every component's stream is stored ([options] compression), and
    // an LZMA block's size, which is its dictionary ([options] dictionary-mib).
    fmt::u8 compression = fmt::kStreamMethodZlib;
    fmt::u32 lzmaBlockSize = fmt::kDefaultLzmaBlockSize;
};

// What the command line adds to a description: variables given with -D,
// which take the place of [variables] entries of the same name.
struct DescriptionOptions {
    std::map<std::string, std::string> variables;  // UTF-8
};

}  // namespace mkpackage

#endif
