#include "build/extension_records.h"

#include <cstring>
#include <map>

namespace mkpackage {

std::vector<fmt::ExtensionRecordData> extensionRecords(const Description& description) {
    std::vector<fmt::ExtensionRecordData> records;
    // The deployment fields' texts and the [texts] beyond the 90 slots share
    // one record, ids ascending.
    std::map<fmt::u16, std::string> texts(description.extraTexts.begin(), description.extraTexts.end());
    for (const auto& [id, text] : description.deployment.extraTexts) texts[id] = text;
    if (!texts.empty()) {
        const std::vector<std::pair<fmt::u16, std::string>> ordered(texts.begin(), texts.end());
        records.push_back({fmt::kExtensionExtraTexts, fmt::writeExtraTexts(ordered)});
    }
    if (description.alwaysInstalled != 0) {
        std::vector<fmt::u8> mask(fmt::kAlwaysInstalledSize);
        std::memcpy(mask.data(), &description.alwaysInstalled, mask.size());
        records.push_back({fmt::kExtensionAlwaysInstalled, std::move(mask)});
    }
    return records;
}

}  // namespace mkpackage
