// The three files of a package manager's multi-file manifest (schema
// 1.10.0) for an installer this builder made:
//   <id>.yaml                  the version manifest
//   <id>.locale.<locale>.yaml  the default locale: publisher, name, licence
//   <id>.installer.yaml        the installer: type, switches, exit codes, hash
//                              and the uninstall entry it writes
// Pure code: the texts from the facts; winget_command.cpp gathers them.
#ifndef MKPACKAGE_WINGET_MANIFEST_H
#define MKPACKAGE_WINGET_MANIFEST_H

#include <string>
#include <vector>

namespace mkpackage {

inline constexpr char kManifestVersion[] = "1.10.0";

// What the manifest says, in UTF-8.
struct ManifestFacts {
    std::string id, version, locale;
    std::string installerUrl, installerSha256;  // 64 hex digits
    std::string packageName, publisher;         // publisher: of the manifest, never empty
    std::string license, shortDescription;
    std::string publisherUrl, supportUrl, copyright;  // empty: left out
    // The uninstall entry as the installer writes it.
    std::string entryName, entryPublisher, entryVersion, productCode;
};

struct ManifestFile {
    std::string name;     // file name
    std::string content;  // YAML
};

// The installer's exit codes and the manifest's names for what they mean.
struct ReturnCode {
    int code;
    const char* response;
};
extern const std::vector<ReturnCode> kExpectedReturnCodes;

// What is wrong with `facts` for the schema (a pattern or length it
// breaks), naming the field; `option` tells a command-line value (--id,
// --url, --locale, --license) from one of the installer. Empty when nothing is.
struct ManifestProblem {
    std::string text;
    bool option = false;
};
ManifestProblem manifestProblem(const ManifestFacts& facts);

// The three files, version manifest first.
std::vector<ManifestFile> writeManifest(const ManifestFacts& facts);

// True for an http:// or https:// address the schema takes.
bool isManifestUrl(const std::string& url);

// A YAML double-quoted scalar of a UTF-8 text.
std::string yamlString(const std::string& text);

}  // namespace mkpackage

#endif
