#include <windows.h>

#include "base/install_error.h"
#include "package/extra_texts.h"
#include "package/package_file.h"
#include "package/setup_config.h"

namespace setup {

ExtraTexts packageExtraTexts;

namespace {

// A short read raises error code 1 from inside readPackage: the damaged
// package's error either way.
bool readAt(void*, std::uint32_t offset, void* buffer, std::uint32_t size) {
    seekPackage(offset);
    readPackage(buffer, size);
    return true;
}

std::uint8_t recordBytes[fmt::kMaxExtraTextsSize];

}  // namespace

void loadExtraTexts() {
    switch (readExtraTexts(config().settings.extensionTable, packageFile.header.configOffset, readAt, nullptr,
                           recordBytes, packageExtraTexts)) {
    case ExtraTextsRead::ok: return;
    case ExtraTextsRead::checksum: raiseInstallError(kErrorCrc);
    case ExtraTextsRead::damaged: raiseInstallError(kErrorArchiveCorrupt);
    }
}

const char* extraText(std::uint16_t id) {
    const fmt::ExtraTextInfo* info = fmt::findExtraTextInfo(id);
    return extraText(packageExtraTexts, id, info != nullptr ? info->defaultText : "");
}

}  // namespace setup
