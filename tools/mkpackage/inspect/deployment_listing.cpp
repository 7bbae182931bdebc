#include "inspect/deployment_listing.h"

#include "format/extension_table.h"
#include "inspect/entry_values.h"

namespace mkpackage {
namespace {

// A UTF-8 text in quotes, with the control characters made visible.
std::string shown(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (static_cast<unsigned char>(c) < 0x20) out += "?";
        else out += c;
    }
    return out + "\"";
}

}  // namespace

void printDeployment(const fmt::PackageReport& r, const ImageDescription* image, std::ostream& out) {
    if (!r.extensions.empty()) {
        out << "extension table at package offset " << r.settings.extensionTable << ": " << r.extensions.size()
            << (r.extensions.size() == 1 ? " record\n" : " records\n");
        for (std::size_t i = 0; i < r.extensions.size(); ++i)
            out << "  record " << i << " \"" << fmt::extensionTagText(r.extensions[i].tag) << "\": " << r.extensions[i].data.size()
                << " bytes\n";
        for (const auto& [name, text] : extraTextList(r)) {
            // The texts of [texts] are listed with the other texts.
            bool isTextsField = false;
            for (const fmt::ExtraTextInfo& info : fmt::kExtraTexts) isTextsField |= name == info.name;
            if (!isTextsField) out << "  " << name << " = " << shown(text) << "\n";
        }
    }
    if (r.recordLoaded && (r.settings.flags & fmt::kFlagUninstallEntry)) {
        const EntrySummary e = entrySummary(r);
        out << "uninstall entry " << shown("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e.keyName) << ":\n"
            << "  DisplayName " << shown(e.displayName) << ", DisplayVersion " << shown(e.displayVersion);
        if (!e.publisher.empty()) out << ", Publisher " << shown(e.publisher);
        out << "\n  in the install folder: DisplayIcon " << shown(e.displayIcon) << ", the uninstaller " << shown(e.uninstaller)
            << " and its log " << shown(e.logName) << "\n";
        for (const auto& [name, value] : {std::pair<const char*, const std::string*>{"URLInfoAbout", &e.aboutUrl},
                                          {"HelpLink", &e.helpUrl},
                                          {"Contact", &e.contact},
                                          {"Comments", &e.comments}}) {
            if (!value->empty()) out << "  " << name << " " << shown(*value) << "\n";
        }
    }
    if (image == nullptr) return;
    if (!image->problem.empty()) {
        out << "program image: " << image->problem << "\n";
        return;
    }
    if (image->hasVersion) {
        out << "version resource: file " << versionText(image->version.fileVersion) << ", product "
            << versionText(image->version.productVersion) << "\n";
        for (const auto& [key, value] : image->version.strings) out << "  " << key << " = " << shown(value) << "\n";
    } else {
        out << "version resource: none\n";
    }
    if (image->hasIcon) {
        out << "icon: group " << image->iconGroup << ", " << image->icon.size() << (image->icon.size() == 1 ? " image:" : " images:");
        for (const IconGroupEntry& e : image->icon)
            out << " " << (e.width == 0 ? 256 : e.width) << "x" << (e.height == 0 ? 256 : e.height) << "x" << e.bitCount;
        out << "\n";
    }
}

}  // namespace mkpackage
