#include "winget/manifest.h"

#include <cstdio>

namespace mkpackage {
namespace {

// Characters, not bytes: the schema's lengths count characters.
std::size_t characters(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

bool between(const std::string& text, std::size_t least, std::size_t most) {
    const std::size_t n = characters(text);
    return n >= least && n <= most;
}

bool isControl(unsigned char c) { return c >= 0x01 && c <= 0x1F; }
bool isBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isForbiddenInName(unsigned char c) {
    for (char f : std::string("\\/:*?\"<>|"))
        if (c == static_cast<unsigned char>(f)) return true;
    return isControl(c);
}
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Two to eight parts of 1 to 32 characters, split by dots, without blanks
// or the characters no file name may hold.
bool validIdentifier(const std::string& id) {
    if (characters(id) > 128) return false;
    std::size_t parts = 0, start = 0;
    for (std::size_t dot = 0; start <= id.size(); start = dot + 1) {
        dot = id.find('.', start);
        if (dot == std::string::npos) dot = id.size();
        const std::string part = id.substr(start, dot - start);
        if (!between(part, 1, 32)) return false;
        for (unsigned char c : part)
            if (isBlank(c) || isForbiddenInName(c)) return false;
        ++parts;
    }
    return parts >= 2 && parts <= 8;
}

bool validVersion(const std::string& version) {
    if (!between(version, 1, 128)) return false;
    for (unsigned char c : version)
        if (isForbiddenInName(c)) return false;
    return true;
}

// "en", "en-US", "x-private", "i-klingon", "zh-Hant-TW".
bool validLocale(const std::string& locale) {
    if (locale.size() > 20) return false;
    std::vector<std::string> parts;
    for (std::size_t start = 0, dash = 0; start <= locale.size(); start = dash + 1) {
        dash = locale.find('-', start);
        if (dash == std::string::npos) dash = locale.size();
        parts.push_back(locale.substr(start, dash - start));
    }
    const auto letters = [](const std::string& p, std::size_t least, std::size_t most) {
        if (p.size() < least || p.size() > most) return false;
        for (char c : p)
            if (!isLetter(c)) return false;
        return true;
    };
    std::size_t next = 1;
    if (letters(parts[0], 2, 3)) {
    } else if ((parts[0] == "i" || parts[0] == "I") && parts.size() > 1 && letters(parts[1], 1, 64)) {
        next = 2;
    } else if ((parts[0] == "x" || parts[0] == "X") && parts.size() > 1 && letters(parts[1], 1, 8)) {
        next = 2;
    } else {
        return false;
    }
    for (; next < parts.size(); ++next)
        if (!letters(parts[next], 1, 8)) return false;
    return true;
}

bool validUrl(const std::string& url) {
    if (url.size() > 2048) return false;
    std::string scheme;
    const std::size_t colon = url.find("://");
    if (colon == std::string::npos || url.size() <= colon + 3) return false;
    for (char c : url.substr(0, colon)) scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return scheme == "http" || scheme == "https";
}

bool validSha256(const std::string& hex) {
    if (hex.size() != 64) return false;
    for (char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

const char* const kSchemaBase = "https://aka.ms/winget-manifest.";

std::string header(const char* kind) {
    return std::string("# Written by mkpackage winget\n# yaml-language-server: $schema=") + kSchemaBase + kind + "." +
           kManifestVersion + ".schema.json\n\n";
}

std::string line(const std::string& key, const std::string& value) { return key + ": " + yamlString(value) + "\n"; }
std::string optionalLine(const std::string& key, const std::string& value) { return value.empty() ? "" : line(key, value); }

std::string identity(const ManifestFacts& f) { return line("PackageIdentifier", f.id) + line("PackageVersion", f.version); }

std::string trailer(const char* type) {
    return std::string("ManifestType: ") + type + "\nManifestVersion: " + kManifestVersion + "\n";
}

}  // namespace

// The exit codes of the setup program (the README's table) that a package
// manager can act on, and what each means to it. The others (2, 3, 4, 10: a
// file, folder or registry value that could not be made) are failures it
// reports with their number.
const std::vector<ReturnCode> kExpectedReturnCodes = {
    {1, "contactSupport"},           // the package is damaged
    {5, "diskFull"},                 // a file could not be written
    {6, "insufficientMemory"},
    {8, "cancelledByUser"},          // an attended run cancelled (unattended: a checksum)
    {20, "downgrade"},               // a newer version is installed
    {21, "installInProgress"},       // another setup of the product runs
    {22, "invalidParameter"},        // an option cannot be used
    {23, "diskFull"},                // not enough free space for the selection
    {24, "missingDependency"},       // the DirectX runtime setup failed
    {26, "fileInUse"},               // files to replace or remove are in use
    {27, "contactSupport"},          // a killed run's journal cannot be undone
    {28, "systemNotSupported"},      // a system folder has no name the code page can spell
    {3010, "rebootRequiredToFinish"},
};

bool isManifestUrl(const std::string& url) { return validUrl(url); }

std::string yamlString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

ManifestProblem manifestProblem(const ManifestFacts& f) {
    const auto option = [](std::string text) { return ManifestProblem{std::move(text), true}; };
    const auto installer = [](std::string text) { return ManifestProblem{std::move(text), false}; };
    if (!validIdentifier(f.id))
        return option("--id \"" + f.id + "\": needs two to eight parts of 1 to 32 characters separated by dots "
                      "(Publisher.Product), without blanks or \\ / : * ? \" < > |");
    if (!validLocale(f.locale)) return option("--locale \"" + f.locale + "\": is no locale such as en-US");
    if (!validUrl(f.installerUrl)) return option("--url \"" + f.installerUrl + "\": needs an http:// or https:// address");
    if (!between(f.license, 3, 512)) return option("--license \"" + f.license + "\": must hold 3 to 512 characters");
    if (!validVersion(f.version))
        return installer("the display version \"" + f.version + "\" is no package version (1 to 128 characters, "
                         "none of \\ / : * ? \" < > | or control characters): set display-version");
    if (!validSha256(f.installerSha256)) return installer("the installer's SHA-256 is not 64 hex digits");
    if (!between(f.packageName, 2, 256))
        return installer("the product's name \"" + f.packageName + "\" must hold 2 to 256 characters");
    if (!between(f.publisher, 2, 256)) return installer("the publisher \"" + f.publisher + "\" must hold 2 to 256 characters");
    if (!between(f.shortDescription, 3, 256)) return installer("the comments must hold 3 to 256 characters");
    if (!f.publisherUrl.empty() && !validUrl(f.publisherUrl)) return installer("about-url is no http:// or https:// address");
    if (!f.supportUrl.empty() && !validUrl(f.supportUrl)) return installer("help-url is no http:// or https:// address");
    if (!f.copyright.empty() && !between(f.copyright, 3, 512)) return installer("the copyright must hold 3 to 512 characters");
    if (!between(f.entryName, 1, 256) || !between(f.productCode, 1, 255))
        return installer("the uninstall entry's name must hold 1 to 255 characters");
    if (!f.entryPublisher.empty() && !between(f.entryPublisher, 1, 256))
        return installer("the publisher must hold at most 256 characters");
    return {};
}

std::vector<ManifestFile> writeManifest(const ManifestFacts& f) {
    std::vector<ManifestFile> files;
    files.push_back({f.id + ".yaml", header("version") + identity(f) + line("DefaultLocale", f.locale) + trailer("version")});

    files.push_back({f.id + ".locale." + f.locale + ".yaml",
                     header("defaultLocale") + identity(f) + line("PackageLocale", f.locale) + line("Publisher", f.publisher) +
                         optionalLine("PublisherUrl", f.publisherUrl) + optionalLine("PublisherSupportUrl", f.supportUrl) +
                         line("PackageName", f.packageName) + line("License", f.license) +
                         optionalLine("Copyright", f.copyright) + line("ShortDescription", f.shortDescription) +
                         trailer("defaultLocale")});

    std::string installer = header("installer") + identity(f) + line("InstallerLocale", f.locale) +
                            "InstallerType: exe\n"
                            "Scope: machine\n"
                            "InstallModes:\n"
                            "  - interactive\n"
                            "  - silent\n"
                            "  - silentWithProgress\n"
                            "InstallerSwitches:\n"
                            "  Silent: /S\n"
                            "  SilentWithProgress: /PASSIVE\n"
                            "  InstallLocation: " + yamlString("/D=<INSTALLPATH>") + "\n"
                            "  Log: " + yamlString("/LOG=<LOGPATH>") + "\n"
                            "ExpectedReturnCodes:\n";
    for (const ReturnCode& r : kExpectedReturnCodes)
        installer += "  - InstallerReturnCode: " + std::to_string(r.code) + "\n    ReturnResponse: " + r.response + "\n";
    installer += "UpgradeBehavior: install\n"
                 "ElevationRequirement: elevationRequired\n"
                 "AppsAndFeaturesEntries:\n"
                 "  - " + line("DisplayName", f.entryName);
    if (!f.entryPublisher.empty()) installer += "    " + line("Publisher", f.entryPublisher);
    installer += "    " + line("DisplayVersion", f.entryVersion) + "    " + line("ProductCode", f.productCode) +
                 "Installers:\n"
                 "  - Architecture: x86\n"
                 "    " + line("InstallerUrl", f.installerUrl) + "    InstallerSha256: " + f.installerSha256 + "\n" +
                 trailer("installer");
    files.push_back({f.id + ".installer.yaml", installer});
    return files;
}

}  // namespace mkpackage
