#include "build/bundled_uninstaller.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "build/build_inputs.h"
#include "common/input_error.h"
#include "common/path_text.h"
#include "sources/source_files.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr char kImageName[] = "uninstall.exe";
constexpr fmt::u32 kAskingFlags = fmt::kFlagUninstallEntry | fmt::kFlagUninstallShortcut;

const std::string& uninstallerName(const Description& description) {
    return description.texts[offsetof(fmt::TextSlots, uninstallerName) / 4];
}

// The component that stores `name`, or -1.
int componentStoring(const Description& description, const std::string& name) {
    for (std::size_t c = 0; c < description.components.size(); ++c)
        for (const SourceFile& file : description.components[c].files)
            if (sameStoredName(file.storedName, name)) return static_cast<int>(c);
    return -1;
}

// The uninstaller's component goes with every selection the wizard offers.
void installWithEverySelection(Description& description, std::size_t component) {
    const fmt::u32 bit = 1u << component;
    description.alwaysInstalled = bit;
    fmt::ScalarSettings& s = description.settings;
    s.defaultSelection |= bit;
    s.selectionPreset1 |= bit;
    s.selectionPreset3 |= bit;
}

}  // namespace

UninstallerSource addBundledUninstaller(Description& description, const fs::path& image) {
    if ((description.settings.flags & kAskingFlags) == 0) return UninstallerSource::notAsked;
    if (!description.bundleUninstaller) return UninstallerSource::optedOut;
    const std::string& name = uninstallerName(description);
    const std::string field = "product.uninstaller";
    const long line = description.uninstallerLine;
    if (const int own = componentStoring(description, name); own >= 0) {
        if (description.settings.directXComponentMask & (1u << own)) {
            throw errorAt(description.file, line, field,
                          "\"" + name + "\" is stored by DirectX component \"" + description.components[own].name +
                              "\", which goes to the temporary folder, never into the product's");
        }
        installWithEverySelection(description, static_cast<std::size_t>(own));
        return UninstallerSource::productsOwn;
    }

    std::string problem;
    if (!checkStoredName(name, problem))
        throw errorAt(description.file, line, field, "\"" + name + "\" cannot be stored: " + problem);
    if (description.components.empty()) {
        throw errorAt(description.file, line, field,
                      "the uninstall entry or shortcut needs the uninstaller in a component, and there is "
                      "none (add one, or set [uninstaller] bundle = false)");
    }
    if (description.components.size() >= fmt::kMaxComponents) {
        throw errorAt(description.file, description.components.back().line, "components",
                      "the uninstaller takes a component of its own, and " + std::to_string(fmt::kMaxComponents) +
                          " components leave no room for it (at most " + std::to_string(fmt::kMaxComponents - 1) +
                          " with the uninstall entry or shortcut, or set [uninstaller] bundle = false)");
    }
    for (const ComponentSpec& component : description.components) {
        if (component.name == kUninstallerComponentName) {
            throw errorAt(description.file, component.line, "components",
                          std::string("a component is named \"") + kUninstallerComponentName +
                              "\", the name of the bundled uninstaller's own component (rename it, or set "
                              "[uninstaller] bundle = false)");
        }
    }
    if (image.empty()) {
        throw InputError(utf8FromPath(description.file) +
                         ": the uninstall entry or shortcut needs the uninstaller, and none was found "
                         "next to mkpackage; name one with --uninstaller, or set [uninstaller] bundle = false");
    }
    SourceFile file;
    file.path = image;
    file.storedName = name;
    file.line = line;
    if (!statSourceFile(image, file, problem))
        throw InputError("uninstaller \"" + utf8FromPath(image) + "\": " + problem);
    ComponentSpec component;
    component.name = kUninstallerComponentName;
    component.line = line;
    component.files.push_back(std::move(file));
    description.components.push_back(std::move(component));
    installWithEverySelection(description, description.components.size() - 1);
    return UninstallerSource::bundled;
}

void checkUninstallerImage(const fs::path& image) {
    const std::string problem = uninstallerImageProblem(readImageBytes(image, "uninstaller"));
    if (!problem.empty()) {
        throw InputError(utf8FromPath(image) + ": the uninstaller " + problem +
                         " (name the project's uninstall.exe with --uninstaller)");
    }
}

#ifdef _WIN32

fs::path defaultUninstallerImage() {
    wchar_t self[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    std::error_code ec;
    const fs::path candidate = fs::path(self).parent_path() / kImageName;
    return fs::is_regular_file(candidate, ec) ? candidate : fs::path();
}

#else

fs::path defaultUninstallerImage() {
    std::error_code ec;
#ifdef MKPACKAGE_WIN32_BUILD
    const fs::path configured = fs::path(MKPACKAGE_WIN32_BUILD) / "src" / kImageName;
    if (fs::is_regular_file(configured, ec)) return configured;
#endif
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    fs::path dir = self.parent_path();
    for (int level = 0; level < 4 && !dir.empty() && dir != dir.root_path(); ++level, dir = dir.parent_path()) {
        for (const fs::path& candidate : {dir / kImageName, dir / "src" / kImageName, dir / "win32" / "src" / kImageName,
                                          dir.parent_path() / "win32" / "src" / kImageName}) {
            if (fs::is_regular_file(candidate, ec)) return candidate;
        }
    }
    return {};
}

#endif

}  // namespace mkpackage
