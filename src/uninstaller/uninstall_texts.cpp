#include "uninstaller/uninstall_texts.h"

#include <cstring>

#include "base/bounded_text.h"

namespace uninstaller {

bool readUninstallTexts(const fmt::u8* bytes, std::size_t size, UninstallTexts& texts) {
    constexpr std::size_t kHeaderSize = sizeof(fmt::UninstallHeader);
    if (size <= kHeaderSize) return false;
    for (unsigned i = 0; i < fmt::kUninstallTextCount; ++i) {
        fmt::u32 offset;
        std::memcpy(&offset, bytes + offsetof(fmt::UninstallHeader, textOffsets) + 4 * i, sizeof offset);
        if (offset < kHeaderSize || offset >= size) return false;
        const char* text = reinterpret_cast<const char*>(bytes + offset);
        if (std::memchr(text, '\0', size - offset) == nullptr) return false;
        texts.text[i] = text;
    }
    return true;
}

UninstallTexts ownUninstallTexts(const char* installFolder, char* room, std::size_t size) {
    static const char* const kOwn[fmt::kUninstallTextCount] = {
        "Uninstall",
        "",
        "The program is still running. Please close it before removing it.",
        "",
        "Removing Files",
        "Removing Directories",
        "Removing Registry Entries",
        "All Done",
        "The installation has been removed.",
        "Some parts of the installation could not be removed.",
        "Uninstalling",
        "The installation is being removed.",
        "Details",
        "-- These files could not be removed --",
        "-- These directories could not be removed --",
        "-- These registry entries could not be removed --",
        "",
        "OK",
        "&Details...",
    };
    UninstallTexts texts;
    for (unsigned i = 0; i < fmt::kUninstallTextCount; ++i) texts.text[i] = kOwn[i];
    if (size != 0) {
        setup::formatBounded(room, size,
                      "The uninstall log of the installation in %s carries no digest (it was made before "
                      "digests were recorded), so it is checked strictly: only the product's own registry "
                      "key is removed.\n\nDo you want to remove this installation?",
                      installFolder);
        texts.text[kTextQuestion] = room;
    }
    return texts;
}

}  // namespace uninstaller
