#include "engine/system/post_install_rules.h"

#include "format/package_format.h"

namespace setup {

ActionPlan planAction(std::uint32_t type, std::uint32_t flags) {
    switch (type) {
    case fmt::kActionDesktopShortcut:
        if (flags & fmt::kFlagDesktopShortcuts) return {ActionEffect::kDesktopShortcut, 0};
        return {ActionEffect::kNone, 0};
    case fmt::kActionProgramsShortcut:
        if (flags & fmt::kFlagStartMenuShortcuts) return {ActionEffect::kProgramsShortcut, 0};
        return {ActionEffect::kNone, 0};
    case fmt::kActionRegistryValue: return {ActionEffect::kRegistryValue, 0};
    case fmt::kActionRemoveFile: return {ActionEffect::kLogFile, 0};
    case fmt::kActionRemoveFileFlagged: return {ActionEffect::kLogFile, 1};
    case fmt::kActionRemoveKey: return {ActionEffect::kLogKey, 0};
    case fmt::kActionRemoveKeyFlagged: return {ActionEffect::kLogKey, 1};
    default: return {ActionEffect::kNone, 0};
    }
}

std::uint32_t actionsWithinLimit(std::size_t actionsOffset, std::uint32_t actionCount,
                                 std::size_t recordSize, std::size_t limit) {
    if (recordSize == 0 || actionsOffset >= limit) return 0;
    const std::size_t room = (limit - actionsOffset) / recordSize;
    return actionCount < room ? actionCount : static_cast<std::uint32_t>(room);
}

}  // namespace setup
