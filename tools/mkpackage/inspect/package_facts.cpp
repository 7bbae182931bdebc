#include "inspect/package_facts.h"

#include <cstring>

#include "format/extension_table.h"
#include "sources/source_files.h"

namespace mkpackage {

StoredUninstaller findStoredUninstaller(const fmt::PackageReport& r) {
    StoredUninstaller found;
    if (!r.recordLoaded) return found;
    found.name = &r.texts[offsetof(fmt::TextSlots, uninstallerName) / 4];
    found.asked = (r.settings.flags & (fmt::kFlagUninstallEntry | fmt::kFlagUninstallShortcut)) != 0;
    for (std::size_t c = 0; c < r.components.size() && found.file == nullptr; ++c) {
        for (const fmt::VerifiedFile& f : r.components[c].files) {
            if (!sameStoredName(f.name, *found.name)) continue;
            found.file = &f;
            found.component = c;
            break;
        }
    }
    return found;
}

fmt::u32 alwaysInstalledMask(const fmt::PackageReport& r) {
    for (const fmt::VerifiedExtension& e : r.extensions) {
        if (e.tag != fmt::kExtensionAlwaysInstalled || e.data.size() != fmt::kAlwaysInstalledSize) continue;
        fmt::u32 mask;
        std::memcpy(&mask, e.data.data(), sizeof mask);
        return mask;
    }
    return 0;
}

std::vector<std::pair<std::string, std::string>> extraTexts(const fmt::PackageReport& r) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const fmt::VerifiedExtension& e : r.extensions) {
        if (e.tag != fmt::kExtensionExtraTexts || !fmt::checkExtraTexts(e.data.data(), e.data.size())) continue;
        for (const fmt::ExtraTextInfo& info : fmt::kExtraTexts) {
            const char* text = nullptr;
            std::size_t length = 0;
            if (fmt::findExtraText(e.data.data(), e.data.size(), info.id, text, length))
                texts.emplace_back(info.name, std::string(text, length));
        }
    }
    return texts;
}

namespace {

std::vector<std::pair<std::string, std::string>> namedExtraTexts(const fmt::u8* data, std::size_t size) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const fmt::ExtraTextInfo& info : fmt::kExtraTexts) {
        const char* text = nullptr;
        std::size_t length = 0;
        if (fmt::findExtraText(data, size, info.id, text, length)) texts.emplace_back(info.name, std::string(text, length));
    }
    return texts;
}

}  // namespace

std::vector<LanguageFacts> packageLanguages(const fmt::PackageReport& r) {
    std::vector<LanguageFacts> languages;
    for (const fmt::VerifiedExtension& e : r.extensions) {
        if (e.tag != fmt::kExtensionLanguages) continue;
        const fmt::u8* data = e.data.data();
        if (fmt::checkLanguages(data, e.data.size()) != fmt::LanguagesProblem::none) return {};
        for (fmt::u32 i = 0; i < fmt::languageCount(data); ++i) {
            LanguageFacts& language = languages.emplace_back();
            language.entry = fmt::languageAt(data, i);
            language.first = i == 0;
            fmt::LanguageTexts texts;
            if (!fmt::readLanguageTexts(data, e.data.size(), i, texts)) continue;
            for (fmt::u32 s = 0; s < fmt::kTextSlotCount; ++s) language.texts[s] = texts.slots[s];
            for (fmt::u32 u = 0; u < fmt::kUninstallTextCount; ++u) language.uninstallTexts[u] = texts.uninstallTexts[u];
            const char* page = texts.firstPageText;
            for (fmt::u32 p = 0; p < texts.pageTextCount; ++p, page = fmt::nextLanguageText(page))
                language.pageTexts.emplace_back(page);
            language.extraTexts = namedExtraTexts(texts.extraTexts, texts.extraTextsSize);
        }
        break;
    }
    return languages;
}

}  // namespace mkpackage
