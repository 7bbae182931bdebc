#include "package/extra_texts.h"

#include <cstring>

#include "format/extension_table.h"
#include "package/package_extensions.h"

namespace setup {

const char* extraText(std::uint16_t id) {
    static char text[fmt::kMaxExtraTextLength];
    std::size_t size = 0;
    const std::uint8_t* record = extraTextsRecord(size);
    const char* found = nullptr;
    std::size_t length = 0;
    if (size != 0 && fmt::findExtraText(record, size, id, found, length)) {
        // The record's check keeps every text shorter than the buffer.
        std::memcpy(text, found, length);
        text[length] = '\0';
        return text;
    }
    const fmt::ExtraTextInfo* info = fmt::findExtraTextInfo(id);
    return info != nullptr ? info->defaultText : "";
}

}  // namespace setup
