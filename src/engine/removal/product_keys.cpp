#include "engine/removal/product_keys.h"

#include "base/bounded_text.h"
#include "base/field_text.h"
#include "base/process_state.h"
#include "engine/paths/expand_path.h"
#include "engine/system/post_install_rules.h"
#include "package/setup_config.h"

namespace setup {

namespace {

// Three keys of the product's own, and at most one per action record the
// configuration area holds.
constexpr std::size_t kMaxKeys = 3 + fmt::kConfigAreaSize / sizeof(fmt::InstallAction);

ProductKey keys[kMaxKeys];
char keyTexts[kMaxKeys][fmt::kMaxPath];

struct KeyList {
    std::size_t count = 0;
    void add(std::uint32_t root, const char* path) {
        // A key that does not fit is named by no log the program writes.
        if (count == kMaxKeys || path[0] == '\0' || !copyBounded(keyTexts[count], path)) return;
        keys[count] = ProductKey{root, keyTexts[count]};
        ++count;
    }
};

}  // namespace

RegistryLimits productRegistryLimits(bool trustMadeParents) {
    const fmt::SetupConfig& record = config();
    KeyList list;
    const char* productKey = configText(record.texts.registryKey);
    list.add(fmt::kRootLocalMachine, productKey);
    list.add(fmt::kRootCurrentUser, productKey);
    char entry[fmt::kMaxPath];
    if (formatBounded(entry, sizeof entry, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s",
                      configText(record.texts.uninstallDisplayName)))
        list.add(fmt::kRootLocalMachine, entry);

    std::uint32_t count = record.settings.componentCount;
    if (count > fmt::kMaxComponents) count = fmt::kMaxComponents;
    const std::uintptr_t areaStart = reinterpret_cast<std::uintptr_t>(configArea);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto* component = configRecord<const fmt::Component>(record.components[i]);
        const auto* actions = reinterpret_cast<const fmt::InstallAction*>(component + 1);
        const std::uint32_t actionCount =
            actionsWithinLimit(reinterpret_cast<std::uintptr_t>(actions) - areaStart, component->actionCount,
                               sizeof(fmt::InstallAction), sizeof configArea);
        for (std::uint32_t a = 0; a < actionCount; ++a) {
            const fmt::InstallAction& action = actions[a];
            char key[fmt::kFieldTextSize];
            copyFieldText(key, action.arg1);
            // The same texts the run logs: a value's key expanded, a
            // remove-key action's as it stands.
            if (action.type == fmt::kActionRegistryValue) list.add(action.rootKey, expandPath(key));
            else if (action.type == fmt::kActionRemoveKey || action.type == fmt::kActionRemoveKeyFlagged)
                list.add(action.rootKey, key);
        }
    }
    return RegistryLimits{keys, list.count, trustMadeParents};
}

}  // namespace setup
