#include "uninstaller/uninstall_texts.h"

#include <cstring>

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

}  // namespace uninstaller
