#include "format/language_table.h"

#include <cstring>

#include "format/extension_table.h"

namespace fmt {

namespace {

using std::uint64_t;

bool validCode(const char (&code)[kLanguageCodeSize]) {
    std::size_t length = 0;
    while (length < kLanguageCodeSize && code[length] != '\0') {
        const char c = code[length];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
        ++length;
    }
    if (length == 0 || length == kLanguageCodeSize) return false;
    for (std::size_t i = length; i < kLanguageCodeSize; ++i)
        if (code[i] != '\0') return false;
    return true;
}

bool terminated(const char* text, std::size_t room) { return std::memchr(text, 0, room) != nullptr; }

// Walks `count` zero-terminated texts from `position`; false when one runs
// past `end`. Leaves `position` behind the last one and adds their sizes to `total`.
bool walkTexts(const u8* data, uint64_t& position, uint64_t end, u32 count, uint64_t& total) {
    for (u32 i = 0; i < count; ++i) {
        if (position >= end) return false;
        const void* zero = std::memchr(data + position, 0, static_cast<std::size_t>(end - position));
        if (zero == nullptr) return false;
        const uint64_t length = static_cast<const u8*>(zero) - (data + position);
        total += length + 1;
        position += length + 1;
    }
    return true;
}

LanguagesProblem checkTexts(const u8* data, const LanguageEntry& entry) {
    if (entry.textsSize < sizeof(LanguageTextsHeader)) return LanguagesProblem::badTexts;
    LanguageTextsHeader header;
    std::memcpy(&header, data + entry.textsOffset, sizeof header);
    if (header.slotCount != kTextSlotCount || header.uninstallTextCount != kUninstallTextCount ||
        header.pageTextCount > kMaxPageTexts || header.reserved != 0)
        return LanguagesProblem::badTexts;
    const uint64_t end = uint64_t(entry.textsOffset) + entry.textsSize;
    if (header.extraTextsSize > entry.textsSize - sizeof header) return LanguagesProblem::badTexts;
    const uint64_t textsEnd = end - header.extraTextsSize;
    uint64_t position = uint64_t(entry.textsOffset) + sizeof header;
    uint64_t slotBytes = 0, uninstallBytes = 0, pageBytes = 0;
    if (!walkTexts(data, position, textsEnd, header.slotCount, slotBytes) ||
        !walkTexts(data, position, textsEnd, header.uninstallTextCount, uninstallBytes) ||
        !walkTexts(data, position, textsEnd, header.pageTextCount, pageBytes) || position != textsEnd)
        return LanguagesProblem::badTexts;
    if (!checkExtraTexts(data + textsEnd, header.extraTextsSize)) return LanguagesProblem::badTexts;
    if (uninstallBytes + kLanguageLogRoom > kLogAreaLimit) return LanguagesProblem::logTooFull;
    return LanguagesProblem::none;
}

}  // namespace

bool isPageTextItem(u32 type) {
    switch (type) {
    case kItemText:
    case kItemRequiredSpaceText:
    case kItemDesktopCheckBox:
    case kItemStartMenuCheckBox:
    case kItemDirectXVersionText:
    case kItemDirectXYesRadio:
    case kItemDirectXNoRadio:
    case kItemPreset1Radio:
    case kItemDefaultSelectionRadio:
    case kItemPreset3Radio: return true;
    default: return false;
    }
}

const char* languagesProblemText(LanguagesProblem problem) {
    switch (problem) {
    case LanguagesProblem::none: return "well formed";
    case LanguagesProblem::tooLarge: return "larger than a languages record may be";
    case LanguagesProblem::cutShort: return "its header or entries are cut short";
    case LanguagesProblem::badCount: return "the number of languages is out of range";
    case LanguagesProblem::badEntry: return "a language's code, name or code page is malformed or repeated";
    case LanguagesProblem::badTextsPlace: return "a language's texts lie outside the record";
    case LanguagesProblem::badTexts: return "a language's texts are malformed";
    case LanguagesProblem::logTooFull: return "a language's uninstaller texts leave no room for the uninstall log";
    }
    return "unknown problem";
}

LanguagesProblem checkLanguages(const u8* data, std::size_t size) {
    if (size > kMaxLanguagesSize) return LanguagesProblem::tooLarge;
    if (size < sizeof(LanguagesHeader)) return LanguagesProblem::cutShort;
    LanguagesHeader header;
    std::memcpy(&header, data, sizeof header);
    if (header.languageCount < 2 || header.languageCount > kMaxLanguages ||
        (header.flags & ~kLanguagesAskUser) != 0)
        return LanguagesProblem::badCount;
    const uint64_t entriesEnd = sizeof header + uint64_t(header.languageCount) * sizeof(LanguageEntry);
    if (entriesEnd > size) return LanguagesProblem::cutShort;
    for (u32 i = 0; i < header.languageCount; ++i) {
        const LanguageEntry entry = languageAt(data, i);
        if (!validCode(entry.code) || !terminated(entry.name, sizeof entry.name) || entry.name[0] == '\0' ||
            entry.codePage == 0 || entry.codePage > 65535 || entry.reserved[0] != 0 || entry.reserved[1] != 0)
            return LanguagesProblem::badEntry;
        for (u32 j = 0; j < i; ++j)
            if (std::memcmp(languageAt(data, j).code, entry.code, sizeof entry.code) == 0)
                return LanguagesProblem::badEntry;
        if (i == 0) {
            if (entry.textsOffset != 0 || entry.textsSize != 0) return LanguagesProblem::badTextsPlace;
            continue;
        }
        if (entry.textsOffset < entriesEnd || uint64_t(entry.textsOffset) + entry.textsSize > size)
            return LanguagesProblem::badTextsPlace;
        const LanguagesProblem texts = checkTexts(data, entry);
        if (texts != LanguagesProblem::none) return texts;
    }
    return LanguagesProblem::none;
}

u32 languageCount(const u8* data) {
    LanguagesHeader header;
    std::memcpy(&header, data, sizeof header);
    return header.languageCount;
}

u32 languagesFlags(const u8* data) {
    LanguagesHeader header;
    std::memcpy(&header, data, sizeof header);
    return header.flags;
}

LanguageEntry languageAt(const u8* data, u32 index) {
    LanguageEntry entry;
    std::memcpy(&entry, data + sizeof(LanguagesHeader) + std::size_t(index) * sizeof entry, sizeof entry);
    return entry;
}

bool readLanguageTexts(const u8* data, std::size_t size, u32 index, LanguageTexts& out) {
    if (index == 0 || index >= languageCount(data)) return false;
    const LanguageEntry entry = languageAt(data, index);
    if (uint64_t(entry.textsOffset) + entry.textsSize > size) return false;
    LanguageTextsHeader header;
    std::memcpy(&header, data + entry.textsOffset, sizeof header);
    const char* text = reinterpret_cast<const char*>(data + entry.textsOffset + sizeof header);
    for (const char*& slot : out.slots) {
        slot = text;
        text = nextLanguageText(text);
    }
    for (const char*& uninstallText : out.uninstallTexts) {
        uninstallText = text;
        text = nextLanguageText(text);
    }
    out.firstPageText = text;
    out.pageTextCount = header.pageTextCount;
    out.extraTextsSize = header.extraTextsSize;
    out.extraTexts = data + entry.textsOffset + entry.textsSize - header.extraTextsSize;
    return true;
}

}  // namespace fmt
