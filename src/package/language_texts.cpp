#include "package/language_texts.h"

#include <cstring>

#include "format/language_table.h"

namespace setup {

namespace {

bool append(std::uint8_t* out, std::uint32_t capacity, std::uint32_t& used, const void* data, std::uint32_t size) {
    if (size > capacity - used) return false;
    std::memcpy(out + used, data, size);
    used += size;
    return true;
}

}  // namespace

bool rebuildPage(const std::uint8_t* page, const std::uint8_t* end, TextRun& texts, std::uint8_t* out,
                 std::uint32_t capacity, std::uint32_t& used) {
    const std::uint32_t start = used;
    const TextRun startTexts = texts;
    const auto fail = [&] {
        used = start;
        texts = startTexts;
        return false;
    };
    if (used > capacity) return fail();
    const std::uint8_t* at = page;
    for (;;) {
        fmt::PageItem item{};
        if (at > end || static_cast<std::size_t>(end - at) < sizeof item) break;
        std::memcpy(&item, at, sizeof item);
        if (item.type == fmt::kItemEnd || item.dataSize > static_cast<std::size_t>(end - at) - sizeof item) break;
        const std::uint8_t* data = at + sizeof item;
        at = data + item.dataSize;
        if (!fmt::isPageTextItem(item.type)) {
            if (!append(out, capacity, used, &item, sizeof item) || !append(out, capacity, used, data, item.dataSize))
                return fail();
            continue;
        }
        if (texts.left == 0) return fail();
        const char* text = texts.next;
        const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(text)) + 1;
        texts.next = fmt::nextLanguageText(text);
        --texts.left;
        item.dataSize = length;
        if (!append(out, capacity, used, &item, sizeof item) || !append(out, capacity, used, text, length))
            return fail();
    }
    const fmt::PageItem endItem{};
    if (!append(out, capacity, used, &endItem, sizeof endItem)) return fail();
    return true;
}

bool rebuildUninstallTexts(fmt::UninstallSection& section, const char* const* texts) {
    std::uint32_t total = 0;
    for (std::uint32_t i = 0; i < fmt::kUninstallTextCount; ++i) {
        const std::size_t length = std::strlen(texts[i]) + 1;
        if (length > fmt::kLogAreaLimit - total) return false;
        total += static_cast<std::uint32_t>(length);
    }
    if (total + fmt::kLanguageLogRoom > fmt::kLogAreaLimit) return false;
    fmt::UninstallHeader& header = section.header;
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i < fmt::kUninstallTextCount; ++i) {
        const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(texts[i])) + 1;
        header.textOffsets[i] = static_cast<std::uint32_t>(sizeof(fmt::UninstallHeader)) + used;
        std::memcpy(section.data + used, texts[i], length);
        used += length;
    }
    std::memset(section.data + used, 0, sizeof section.data - used);
    header.usedBytes = used;
    header.firstEntryOffset = static_cast<std::uint32_t>(sizeof(fmt::UninstallHeader)) + used;
    header.entryCount = 0;
    header.savedFirstEntryOffset = header.firstEntryOffset;
    header.savedEntryCount = 0;
    header.savedUsedBytes = used;
    return true;
}

}  // namespace setup
