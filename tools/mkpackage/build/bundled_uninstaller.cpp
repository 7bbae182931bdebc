#include "build/bundled_uninstaller.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

bool holdsFileNamed(const Description& description, const std::string& name) {
    for (const ComponentSpec& component : description.components)
        for (const SourceFile& file : component.files)
            if (sameStoredName(file.storedName, name)) return true;
    return false;
}

}  // namespace

UninstallerSource addBundledUninstaller(Description& description, const fs::path& image) {
    if ((description.settings.flags & kAskingFlags) == 0) return UninstallerSource::notAsked;
    if (!description.bundleUninstaller) return UninstallerSource::optedOut;
    const std::string& name = uninstallerName(description);
    if (holdsFileNamed(description, name)) return UninstallerSource::productsOwn;

    const std::string field = "product.uninstaller";
    const long line = description.uninstallerLine;
    std::string problem;
    if (!checkStoredName(name, problem))
        throw errorAt(description.file, line, field, "\"" + name + "\" cannot be stored: " + problem);
    if (description.components.empty()) {
        throw errorAt(description.file, line, field,
                      "the uninstall entry or shortcut needs the uninstaller in a component, and there is "
                      "none (add one, or set [uninstaller] bundle = false)");
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
    description.components.front().files.push_back(std::move(file));
    return UninstallerSource::bundled;
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
