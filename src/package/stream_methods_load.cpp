#include "package/stream_methods_load.h"

#include "base/install_error.h"
#include "package/setup_config.h"

namespace setup {

namespace {

fmt::StreamMethods methods;

}  // namespace

void loadStreamMethods(const fmt::ExtensionDirectory& directory, fmt::PackageReadAt read) {
    methods = fmt::StreamMethods{};
    const fmt::ExtensionEntry* entry = fmt::findExtension(directory, fmt::kExtensionStreamMethods);
    if (entry == nullptr) return;
    std::uint8_t data[fmt::kMaxComponents * sizeof(fmt::StreamMethodEntry)];
    const std::uint32_t count = config().settings.componentCount;
    if (fmt::readExtensionData(*entry, read, nullptr, data, sizeof data) != fmt::ExtensionRead::ok ||
        fmt::readStreamMethods(data, entry->size, count, methods) != fmt::StreamMethodsProblem::none)
        raiseInstallError(kErrorArchiveCorrupt);
}

const fmt::StreamMethods& streamMethods() { return methods; }

}  // namespace setup
