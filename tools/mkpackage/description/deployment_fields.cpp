// [product]'s keys for the tools that deploy and list installed software:
// the uninstall entry's texts (stored as the package's extra texts) and the
// installer file's version resource and icon.
#include "common/input_error.h"
#include "common/path_text.h"
#include "description/field_tables.h"
#include "format/extension_table.h"
#include "format/text_slots.h"
#include "sources/source_files.h"

namespace mkpackage {
namespace {

struct ExtraTextKey {
    const char* key;
    fmt::u16 id;
};

// In ascending id order, as the record stores them.
constexpr ExtraTextKey kExtraTextKeys[] = {
    {"publisher", fmt::kExtraTextPublisher}, {"display-version", fmt::kExtraTextDisplayVersion},
    {"about-url", fmt::kExtraTextAboutUrl},  {"help-url", fmt::kExtraTextHelpUrl},
    {"contact", fmt::kExtraTextContact},     {"comments", fmt::kExtraTextComments},
    {"display-icon", fmt::kExtraTextDisplayIcon},
};

// Every text here fits the setup program's 512-byte text buffers.
constexpr std::size_t kMaxDeploymentText = fmt::kMaxExtraTextLength - 1;

}  // namespace

void TextFields::readDeployment(const toml::table& product) {
    DeploymentSpec& fields = d_.deployment;
    fields.name = productNameUtf8_;
    fields.version = fmt::kTextSlots[slotIndex(offsetof(fmt::TextSlots, productVersion))].defaultText;
    // UTF-8 as the version resource takes them; a defect of these texts is
    // reported where they are read for the package.
    const auto utf8Of = [&](const char* key, std::string& out) {
        if (const toml::node* node = product.get(key)) {
            try {
                out = r_.utf8(*node, key);
            } catch (const InputError&) {
            }
        }
    };

    for (const ExtraTextKey& k : kExtraTextKeys) {
        const toml::node* node = product.get(k.key);
        if (node == nullptr) continue;
        r_.attempt([&] {
            const std::string field = std::string("product.") + k.key;
            const std::string text = r_.text(*node, field, kMaxDeploymentText);
            if (k.id == fmt::kExtraTextDisplayIcon) {
                std::string problem;
                if (text.empty()) r_.fail(*node, field, "is empty");
                if (!checkStoredName(text, problem)) r_.fail(*node, field, "\"" + text + "\" cannot be a stored file: it " + problem);
                fields.displayIconLine = lineOf(*node);
            }
            fields.extraTexts.emplace_back(k.id, text);
        });
    }
    utf8Of("version", fields.version);
    fields.displayVersion = fields.version;
    utf8Of("display-version", fields.displayVersion);
    utf8Of("publisher", fields.publisher);
    if (const toml::node* node = product.get("copyright")) {
        r_.attempt([&] {
            fields.copyright = r_.utf8(*node, "product.copyright");
            // The version resource takes any character; the limit keeps its texts sane.
            if (fields.copyright.size() > kMaxDeploymentText) {
                r_.fail(*node, "product.copyright", "is " + std::to_string(fields.copyright.size()) + " bytes, longer than " +
                                                        std::to_string(kMaxDeploymentText));
            }
        });
    }
    if (const toml::node* node = product.get("installer-icon")) {
        r_.attempt([&] {
            const std::string source = r_.utf8(*node, "product.installer-icon");
            std::string problem;
            if (!loadIconFile(r_.base() / pathFromUtf8(source), fields.installerIcon, problem)) {
                r_.fail(*node, "product.installer-icon", "\"" + source + "\" " + problem);
            }
        });
    }
}

void TextFields::checkDisplayIcon(const toml::table& product) {
    const DeploymentSpec& fields = d_.deployment;
    if (fields.displayIconLine == 0) return;
    const std::string& icon = fields.extraTexts.back().second;  // display-icon has the highest id
    for (const ComponentSpec& component : d_.components)
        for (const SourceFile& file : component.files)
            if (sameStoredName(file.storedName, icon)) return;
    // The uninstaller the build adds to the first component.
    const bool bundled = d_.bundleUninstaller && !d_.components.empty() &&
                         (d_.settings.flags & (fmt::kFlagUninstallEntry | fmt::kFlagUninstallShortcut)) != 0;
    if (bundled && sameStoredName(d_.texts[slotIndex(offsetof(fmt::TextSlots, uninstallerName))], icon)) return;
    r_.fail(*product.get("display-icon"), "product.display-icon",
            "\"" + icon + "\" is no stored file of any component: the list of programs would show no icon");
}

}  // namespace mkpackage
