#include "package/package_extensions.h"

#include <cstring>

#include "base/install_error.h"
#include "format/extension_table.h"
#include "package/package_file.h"
#include "package/package_languages.h"
#include "package/setup_config.h"
#include "package/stream_methods_load.h"

namespace setup {

namespace {

std::uint32_t alwaysInstalled = 0;

bool readAt(void*, std::uint32_t offset, void* buffer, std::uint32_t size) {
    try {
        seekPackage(offset);
        readPackage(buffer, size);
        return true;
    } catch (xInstall*) {
        return false;
    }
}

[[noreturn]] void raiseDamaged() { raiseInstallError(kErrorArchiveCorrupt); }

}  // namespace

void readPackageExtensions() {
    alwaysInstalled = 0;
    clearPackageLanguages();
    loadStreamMethods(fmt::ExtensionDirectory{}, readAt);
    const std::uint32_t tableOffset = config().settings.extensionTable;
    if (tableOffset == 0) return;
    // The stored files' end is not known here; the package header bounds the table.
    fmt::ExtensionDirectory directory;
    if (fmt::readExtensionDirectory(tableOffset, sizeof(fmt::PackageHeader), packageFile.header.configOffset,
                                    readAt, nullptr, directory) != fmt::ExtensionProblem::none)
        raiseDamaged();

    if (const fmt::ExtensionEntry* always = fmt::findExtension(directory, fmt::kExtensionAlwaysInstalled)) {
        std::uint8_t data[fmt::kAlwaysInstalledSize];
        if (always->size != sizeof data ||
            fmt::readExtensionData(*always, readAt, nullptr, data, sizeof data) != fmt::ExtensionRead::ok)
            raiseDamaged();
        std::memcpy(&alwaysInstalled, data, sizeof alwaysInstalled);
        const std::uint32_t count = config().settings.componentCount;
        if (count < 32) alwaysInstalled &= (1u << count) - 1;
        // The DirectX components go to the temporary folder, never into the product's.
        alwaysInstalled &= ~config().settings.directXComponentMask;
    }
    if (const fmt::ExtensionEntry* languages = fmt::findExtension(directory, fmt::kExtensionLanguages))
        loadPackageLanguages(*languages);
    loadStreamMethods(directory, readAt);
}

std::uint32_t alwaysInstalledComponents() { return alwaysInstalled; }

}  // namespace setup
