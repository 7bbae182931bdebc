#include "package/extra_texts.h"

#include <cstring>

namespace setup {

ExtraTextsRead readExtraTexts(std::uint32_t tableOffset, std::uint32_t configOffset,
                              fmt::PackageReadAt read, void* context, std::uint8_t* scratch,
                              ExtraTexts& out) {
    std::memset(&out, 0, sizeof out);
    if (tableOffset == 0) return ExtraTextsRead::ok;
    // Kept static: the directory is 3 KiB, more than a caller's stack needs to see.
    static fmt::ExtensionDirectory directory;
    if (fmt::readExtensionDirectory(tableOffset, sizeof(fmt::PackageHeader), configOffset, read, context,
                                    directory) != fmt::ExtensionProblem::none) {
        return ExtraTextsRead::damaged;
    }
    const fmt::ExtensionEntry* entry = fmt::findExtension(directory, fmt::kExtensionExtraTexts);
    if (entry == nullptr) return ExtraTextsRead::ok;
    switch (fmt::readExtensionData(*entry, read, context, scratch, fmt::kMaxExtraTextsSize)) {
    case fmt::ExtensionRead::ok: break;
    case fmt::ExtensionRead::checksum: return ExtraTextsRead::checksum;
    case fmt::ExtensionRead::tooLarge:
    case fmt::ExtensionRead::readFailed: return ExtraTextsRead::damaged;
    }
    if (!fmt::checkExtraTexts(scratch, entry->size)) return ExtraTextsRead::damaged;
    fillExtraTexts(scratch, entry->size, out);
    return ExtraTextsRead::ok;
}

void fillExtraTexts(const std::uint8_t* data, std::size_t size, ExtraTexts& out) {
    std::memset(&out, 0, sizeof out);
    for (std::uint16_t id = 1; id < fmt::kExtraTextIdEnd; ++id) {
        const char* text = nullptr;
        std::size_t length = 0;
        if (!fmt::findExtraText(data, size, id, text, length)) continue;
        // checkExtraTexts bounds every length below the buffer's size.
        std::memcpy(out.text[id], text, length);
        out.text[id][length] = '\0';
        out.present[id] = true;
    }
}

const char* extraText(const ExtraTexts& texts, std::uint16_t id, const char* fallback) {
    if (id >= fmt::kExtraTextIdEnd || !texts.present[id]) return fallback;
    return texts.text[id];
}

}  // namespace setup
