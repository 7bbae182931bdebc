#include "engine/system/post_install.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/field_text.h"
#include "base/process_state.h"
#include "engine/interaction.h"
#include "engine/journal/run_journal.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/paths/expand_path.h"
#include "engine/system/post_install_rules.h"
#include "engine/system/registry.h"
#include "engine/system/shortcuts.h"
#include "engine/undo/file_backups.h"
#include "package/setup_config.h"

namespace setup {

static StatusPopup updatingPopup;

void showUpdatingStatus() {
    updatingPopup = display().openStatus(configText(config().texts.textUpdatingSystem),
                                         fmt::kImageUpdatingSystem);
}

void closeUpdatingStatus() {
    display().closeStatus(updatingPopup);
    updatingPopup = 0;
}

namespace {

// The three argument fields, copied out so that a field without its
// terminator ends at the field's end.
struct ActionTexts {
    char arg1[fmt::kFieldTextSize];
    char arg2[fmt::kFieldTextSize];
    char arg3[fmt::kFieldTextSize];
};

void runAction(const fmt::InstallAction& action, std::uint32_t flags) {
    const ActionPlan plan = planAction(action.type, flags);
    if (plan.effect == ActionEffect::kNone) return;

    ActionTexts texts;
    copyFieldText(texts.arg1, action.arg1);
    copyFieldText(texts.arg2, action.arg2);
    copyFieldText(texts.arg3, action.arg3);

    switch (plan.effect) {
    case ActionEffect::kDesktopShortcut:
        createDesktopShortcut(texts.arg1, texts.arg2, texts.arg3);
        break;
    case ActionEffect::kProgramsShortcut:
        createProgramsShortcut(texts.arg1, texts.arg2, texts.arg3);
        break;
    case ActionEffect::kRegistryValue: {
        // Data, value name, key, then the key once more for the log: the ring
        // of expansion buffers keeps all four apart. The key is logged before
        // it is written, so that a value that cannot be set does not leave
        // behind the key its creation made.
        const char* data = expandPath(texts.arg3);
        const char* valueName = expandPath(texts.arg2);
        const char* key = expandPath(texts.arg1);
        appendKeyEntry(plan.logFlag, action.rootKey, expandPath(texts.arg1));
        writeRegistryString(registryRoot(action.rootKey), key, valueName, data);
        break;
    }
    case ActionEffect::kLogFile:
        // A path that does not fit is not logged: a cut path could name
        // another file, which the uninstaller would then delete.
        if (formatBounded(currentPath, sizeof currentPath, "%s%s", installDir, texts.arg1)) {
            // The run records the file without making it: one that is there
            // already was there before, and a rollback leaves it.
            // The mark that keeps it reaches the journal before the entry.
            if (existingItemAt(currentPath) == ExistingItem::usersFile) {
                keepAtRollback(config().uninstall.header.usedBytes);
                journalBackups();
            }
            recordLogEntry(fmt::kLogFile, plan.logFlag, 0, currentPath);
        }
        break;
    case ActionEffect::kLogKey:
        recordLogEntry(fmt::kLogRegistryKey, plan.logFlag, action.rootKey, texts.arg1);
        break;
    case ActionEffect::kNone: break;
    }
}

}  // namespace

void runPostInstallActions(const ExtractionState& product) {
    const fmt::SetupConfig& record = config();
    std::uint32_t count = record.settings.componentCount;
    if (count > fmt::kMaxComponents) count = fmt::kMaxComponents;
    const std::uintptr_t areaStart = reinterpret_cast<std::uintptr_t>(configArea);

    for (std::uint32_t i = 0; i < count; ++i) {
        if ((product.selectionMask & (1u << i)) == 0) continue;
        const auto* component = configRecord<const fmt::Component>(record.components[i]);
        const auto* actions = reinterpret_cast<const fmt::InstallAction*>(component + 1);
        const std::uint32_t actionCount = actionsWithinLimit(
            reinterpret_cast<std::uintptr_t>(actions) - areaStart, component->actionCount,
            sizeof(fmt::InstallAction), sizeof configArea);
        for (std::uint32_t a = 0; a < actionCount; ++a) runAction(actions[a], record.settings.flags);
    }
}

}  // namespace setup
