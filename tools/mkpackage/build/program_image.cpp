#include "build/program_image.h"

#include "common/input_error.h"
#include "common/path_text.h"
#include "image/icon_group.h"
#include "image/pe_image.h"

namespace mkpackage {

VersionInfo versionInfoFor(const DeploymentSpec& deployment) {
    VersionInfo info;
    versionNumbers(deployment.version, info.fileVersion);
    versionNumbers(deployment.displayVersion, info.productVersion);
    const auto add = [&](const char* key, const std::string& value) {
        if (!value.empty()) info.strings.emplace_back(key, value);
    };
    add("CompanyName", deployment.publisher);
    add("FileDescription", deployment.name + " Setup");
    add("FileVersion", deployment.version);
    add("LegalCopyright", deployment.copyright);
    add("ProductName", deployment.name);
    add("ProductVersion", deployment.displayVersion);
    return info;
}

ImageBytes programImageFor(const Description& description, const ImageBytes& image, const std::filesystem::path& path) {
    const auto refuse = [&](const std::string& problem) -> InputError {
        return InputError(utf8FromPath(path) + ": the program image " + problem + ": its resources cannot take the product's");
    };
    PeImage pe;
    std::string problem;
    if (!readPeImage(image, pe, problem)) throw refuse(problem);
    if (pe.resourceSection < 0) throw refuse("has no resource section");
    ResourceTree tree;
    if (!readResourceTree(resourceSectionBytes(image, pe), pe.resourceRva, tree, problem)) throw refuse(problem);

    ResourceType& versions = tree.type(kResourceVersion);
    versions.entries.clear();
    versions.entries.push_back(resourceEntry(1, versions.header, kVersionLanguage,
                                             writeVersionResource(versionInfoFor(description.deployment))));
    if (!description.deployment.installerIcon.images.empty())
        replaceIconGroup(tree, kProgramIconGroup, description.deployment.installerIcon);

    ImageBytes out;
    if (!replaceResourceSection(image, pe, writeResourceTree(tree, pe.resourceRva), out, problem)) throw refuse(problem);
    return out;
}

}  // namespace mkpackage
