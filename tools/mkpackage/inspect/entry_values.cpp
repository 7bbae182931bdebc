#include "inspect/entry_values.h"

#include <cstring>

#include "format/extension_table.h"
#include "inspect/value_names.h"
#include "text/text_decoder.h"

namespace mkpackage {
namespace {

const char* extraTextName(fmt::u16 id) {
    switch (id) {
    case fmt::kExtraTextPublisher: return "publisher";
    case fmt::kExtraTextDisplayVersion: return "display-version";
    case fmt::kExtraTextAboutUrl: return "about-url";
    case fmt::kExtraTextHelpUrl: return "help-url";
    case fmt::kExtraTextContact: return "contact";
    case fmt::kExtraTextComments: return "comments";
    case fmt::kExtraTextDisplayIcon: return "display-icon";
    default: {
        // A text of [texts] beyond the 90 slots goes by its field name.
        const fmt::ExtraTextInfo* info = fmt::findExtraTextInfo(id);
        return info != nullptr ? info->name : nullptr;
    }
    }
}

const fmt::VerifiedExtension* extraTexts(const fmt::PackageReport& report) {
    for (const fmt::VerifiedExtension& e : report.extensions)
        if (e.tag == fmt::kExtensionExtraTexts && fmt::checkExtraTexts(e.data.data(), e.data.size())) return &e;
    return nullptr;
}

std::string slotText(const fmt::PackageReport& report, std::size_t offset) { return report.texts[offset / 4]; }

// The first shortcut's program of a component the default selection holds.
std::string firstShortcutProgram(const fmt::PackageReport& report) {
    for (std::size_t c = 0; c < report.components.size() && c < fmt::kMaxComponents; ++c) {
        if ((report.settings.defaultSelection & (1u << c)) == 0) continue;
        for (const fmt::VerifiedAction& a : report.components[c].actions) {
            if ((a.record.type == fmt::kActionDesktopShortcut || a.record.type == fmt::kActionProgramsShortcut) &&
                !a.arg1.empty())
                return a.arg1;
        }
    }
    return {};
}

}  // namespace

std::string storedExtraText(const fmt::PackageReport& report, fmt::u16 id, const std::string& fallback) {
    const fmt::VerifiedExtension* record = extraTexts(report);
    const char* text = nullptr;
    std::size_t length = 0;
    if (record == nullptr || !fmt::findExtraText(record->data.data(), record->data.size(), id, text, length)) return fallback;
    return std::string(text, length);
}

std::vector<std::pair<std::string, std::string>> extraTextList(const fmt::PackageReport& report) {
    std::vector<std::pair<std::string, std::string>> list;
    const fmt::VerifiedExtension* record = extraTexts(report);
    if (record == nullptr) return list;
    const TextDecoder decoder(packageCodePage(report));
    std::size_t position = 0;
    const std::vector<fmt::u8>& data = record->data;
    while (data.size() - position >= sizeof(fmt::ExtraTextHeader)) {
        fmt::ExtraTextHeader header;
        std::memcpy(&header, data.data() + position, sizeof header);
        position += sizeof header;
        std::string utf8;
        decoder.decode(std::string_view(reinterpret_cast<const char*>(data.data() + position), header.length), utf8,
                       [](unsigned char, std::string& to) { TextDecoder::appendUtf8(0xFFFD, to); });
        const char* name = extraTextName(header.id);
        list.emplace_back(name != nullptr ? name : "text " + std::to_string(header.id), utf8);
        position += header.length;
    }
    return list;
}

EntrySummary entrySummary(const fmt::PackageReport& r) {
    const TextDecoder decoder(packageCodePage(r));
    const auto utf8 = [&](const std::string& stored) {
        std::string out;
        decoder.decode(stored, out, [](unsigned char, std::string& to) { TextDecoder::appendUtf8(0xFFFD, to); });
        return out;
    };
    EntrySummary e;
    e.written = (r.settings.flags & fmt::kFlagUninstallEntry) != 0;
    e.keyName = utf8(slotText(r, offsetof(fmt::TextSlots, uninstallDisplayName)));
    e.displayName = e.keyName;
    e.displayVersion = utf8(storedExtraText(r, fmt::kExtraTextDisplayVersion, slotText(r, offsetof(fmt::TextSlots, productVersion))));
    e.publisher = utf8(storedExtraText(r, fmt::kExtraTextPublisher, ""));
    e.aboutUrl = utf8(storedExtraText(r, fmt::kExtraTextAboutUrl, ""));
    e.helpUrl = utf8(storedExtraText(r, fmt::kExtraTextHelpUrl, ""));
    e.contact = utf8(storedExtraText(r, fmt::kExtraTextContact, ""));
    e.comments = utf8(storedExtraText(r, fmt::kExtraTextComments, ""));
    e.uninstaller = utf8(slotText(r, offsetof(fmt::TextSlots, uninstallerName)));
    e.logName = utf8(slotText(r, offsetof(fmt::TextSlots, uninstallLogName)));
    std::string icon = storedExtraText(r, fmt::kExtraTextDisplayIcon, "");
    if (icon.empty()) icon = firstShortcutProgram(r);
    e.displayIcon = icon.empty() ? e.uninstaller : utf8(icon);
    return e;
}

}  // namespace mkpackage
