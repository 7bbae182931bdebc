#include "package/package_languages.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/install_error.h"
#include "format/extension_table.h"
#include "package/extra_texts.h"
#include "package/language_texts.h"
#include "package/package_file.h"
#include "package/setup_config.h"

namespace setup {

namespace {

// The record as read; the slots of a chosen language point into it for the
// rest of the run.
std::uint8_t languagesBytes[fmt::kMaxLanguagesSize];
std::uint32_t languagesSize = 0;
std::uint32_t languageIndex = 0;
// The pages of a chosen language, rebuilt with its texts.
constexpr std::uint32_t kPagesRoom = 256 * 1024;
std::uint8_t pageBytes[kPagesRoom];

bool readAt(void*, std::uint32_t offset, void* buffer, std::uint32_t size) {
    seekPackage(offset);
    readPackage(buffer, size);
    return true;
}

}  // namespace

void clearPackageLanguages() {
    languagesSize = 0;
    languageIndex = 0;
}

void loadPackageLanguages(const fmt::ExtensionEntry& entry) {
    clearPackageLanguages();
    switch (fmt::readExtensionData(entry, readAt, nullptr, languagesBytes, sizeof languagesBytes)) {
    case fmt::ExtensionRead::ok: break;
    case fmt::ExtensionRead::checksum: raiseInstallError(kErrorCrc);
    case fmt::ExtensionRead::tooLarge:
    case fmt::ExtensionRead::readFailed: raiseInstallError(kErrorArchiveCorrupt);
    }
    if (fmt::checkLanguages(languagesBytes, entry.size) != fmt::LanguagesProblem::none)
        raiseInstallError(kErrorArchiveCorrupt);
    languagesSize = entry.size;
}

std::uint32_t packageLanguageCount() { return languagesSize == 0 ? 0 : fmt::languageCount(languagesBytes); }

fmt::LanguageEntry packageLanguage(std::uint32_t index) { return fmt::languageAt(languagesBytes, index); }

bool languageQuestionAsked() {
    return languagesSize != 0 && (fmt::languagesFlags(languagesBytes) & fmt::kLanguagesAskUser) != 0;
}

const char* languageSlotText(std::uint32_t index, std::uint32_t slotOffset) {
    fmt::LanguageTexts texts;
    if (index == 0 || languagesSize == 0 || !fmt::readLanguageTexts(languagesBytes, languagesSize, index, texts))
        return configText(reinterpret_cast<const std::uint32_t*>(configArea)[slotOffset / 4]);
    return texts.slots[slotOffset / 4];
}

const char* languageExtraText(std::uint32_t index, std::uint16_t id, const char* fallback,
                              char (&room)[fmt::kMaxExtraTextLength]) {
    fmt::LanguageTexts texts;
    if (index == 0 || languagesSize == 0 || !fmt::readLanguageTexts(languagesBytes, languagesSize, index, texts))
        return extraText(id, fallback);
    // Copied with its terminator: the record holds it without one, and
    // checkExtraTexts bounds its length below the room.
    const char* text = nullptr;
    std::size_t length = 0;
    if (!fmt::findExtraText(texts.extraTexts, texts.extraTextsSize, id, text, length)) return fallback;
    std::memcpy(room, text, length);
    room[length] = '\0';
    return room;
}

const char* languageInUse() {
    static fmt::LanguageEntry entry;
    if (languagesSize == 0) return "";
    entry = packageLanguage(languageIndex);
    return entry.code;
}

void useLanguage(std::uint32_t index) {
    if (index == 0 || index >= packageLanguageCount()) return;
    fmt::LanguageTexts texts;
    if (!fmt::readLanguageTexts(languagesBytes, languagesSize, index, texts)) raiseInstallError(kErrorArchiveCorrupt);
    fmt::SetupConfig& record = config();

    // Built first, applied together: a page that does not fit changes nothing.
    TextRun pageTexts{texts.firstPageText, texts.pageTextCount};
    std::uint32_t used = 0;
    std::uint32_t pageStarts[fmt::kMaxPages] = {};
    const std::uint32_t pageCount = record.settings.pageCount < fmt::kMaxPages ? record.settings.pageCount : fmt::kMaxPages;
    const std::uint8_t* areaEnd = configArea + fmt::kConfigAreaSize;
    for (std::uint32_t p = 0; p < pageCount; ++p) {
        pageStarts[p] = used;
        if (!rebuildPage(configRecord<const std::uint8_t>(record.pages[p]), areaEnd, pageTexts, pageBytes,
                         sizeof pageBytes, used))
            raiseInstallError(kErrorArchiveCorrupt);
    }
    if (!rebuildUninstallTexts(record.uninstall, texts.uninstallTexts)) raiseInstallError(kErrorArchiveCorrupt);

    auto* slots = reinterpret_cast<std::uint32_t*>(configArea);
    for (std::uint32_t i = 0; i < fmt::kTextSlotCount; ++i)
        slots[i] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(texts.slots[i]));
    for (std::uint32_t p = 0; p < pageCount; ++p)
        record.pages[p] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pageBytes + pageStarts[p]));
    fillExtraTexts(texts.extraTexts, texts.extraTextsSize, packageExtraTexts);
    languageIndex = index;
}

}  // namespace setup
