#include "winget/winget_command.h"

#include <fstream>

#include "common/path_text.h"
#include "format/package_reader.h"
#include "inspect/entry_values.h"
#include "inspect/image_description.h"
#include "text/sha256.h"
#include "winget/manifest.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr int kExitDefect = 1;
constexpr int kExitUsage = 2;

// The file's SHA-256 in upper-case hex, as package manifests write it; empty
// when it cannot be read.
std::string fileSha256(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    Sha256 hash;
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) hash.add(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return {};
    std::string hex = hash.hexDigest();
    for (char& c : hex)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return hex;
}

// Writes through a temporary file beside it, so that a failure leaves the
// earlier file whole.
bool writeWhole(const fs::path& path, const std::string& content) {
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(content.data(), static_cast<std::streamsize>(content.size())) || !out.flush()) {
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
}

}  // namespace

int writeWingetManifest(const WingetOptions& options, std::ostream& out, std::ostream& errors) {
    const std::string installerName = utf8FromPath(options.installer);
    const fmt::PackageReport report = fmt::verifyPackageFile(options.installer.string());
    if (!report.defect.empty()) {
        errors << "mkpackage: " << installerName << ": " << report.defect << "\n";
        return kExitDefect;
    }
    const EntrySummary entry = entrySummary(report);
    if (!entry.written) {
        errors << "mkpackage: " << installerName << " writes no uninstall entry (options.flags lacks \"uninstall-entry\"): "
               << "a package manager would not find the installed product\n";
        return kExitDefect;
    }
    const ImageDescription image = describeProgramImage(options.installer, report.packageStart);
    std::string copyright;
    for (const auto& [key, value] : image.version.strings)
        if (key == "LegalCopyright") copyright = value;

    ManifestFacts facts;
    facts.id = options.id;
    facts.version = entry.displayVersion;
    facts.locale = options.locale;
    facts.installerUrl = options.url;
    facts.installerSha256 = fileSha256(options.installer);
    facts.packageName = entry.displayName;
    // The manifest needs a publisher; the entry holds one only when the description names it.
    facts.publisher = !entry.publisher.empty() ? entry.publisher : options.id.substr(0, options.id.find('.'));
    facts.license = options.license;
    facts.shortDescription = entry.comments.size() >= 3 ? entry.comments : entry.displayName + " " + entry.displayVersion;
    facts.publisherUrl = isManifestUrl(entry.aboutUrl) ? entry.aboutUrl : "";
    facts.supportUrl = isManifestUrl(entry.helpUrl) ? entry.helpUrl : "";
    facts.copyright = copyright.size() >= 3 ? copyright : "";
    facts.entryName = entry.displayName;
    facts.entryPublisher = entry.publisher;
    facts.entryVersion = entry.displayVersion;
    facts.productCode = entry.keyName;
    const ManifestProblem problem = manifestProblem(facts);
    if (!problem.text.empty()) {
        errors << "mkpackage: " << (problem.option ? "" : installerName + ": ") << problem.text << "\n";
        return problem.option ? kExitUsage : kExitDefect;
    }

    std::error_code ec;
    fs::create_directories(options.folder, ec);
    if (!fs::is_directory(options.folder, ec)) {
        errors << "mkpackage: " << utf8FromPath(options.folder) << ": cannot create the folder\n";
        return kExitDefect;
    }
    for (const ManifestFile& file : writeManifest(facts)) {
        const fs::path path = options.folder / pathFromUtf8(file.name);
        if (!writeWhole(path, file.content)) {
            errors << "mkpackage: " << utf8FromPath(path) << ": cannot write\n";
            return kExitDefect;
        }
        out << "wrote " << utf8FromPath(path) << "\n";
    }
    return 0;
}

}  // namespace mkpackage
