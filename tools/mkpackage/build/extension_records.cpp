#include "build/extension_records.h"

namespace mkpackage {

std::vector<fmt::ExtensionRecordData> extensionRecords(const Description& description) {
    std::vector<fmt::ExtensionRecordData> records;
    const auto& texts = description.deployment.extraTexts;
    if (!texts.empty()) records.push_back({fmt::kExtensionExtraTexts, fmt::writeExtraTexts(texts)});
    return records;
}

}  // namespace mkpackage
