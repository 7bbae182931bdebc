// What one post-install action does, decided from its type and the
// configuration's flags alone, and how many of a component's stored actions
// lie inside the configuration area.
#ifndef ENGINE_SYSTEM_POST_INSTALL_RULES_H
#define ENGINE_SYSTEM_POST_INSTALL_RULES_H

#include <cstddef>
#include <cstdint>

namespace setup {

enum class ActionEffect {
    kNone,              // unknown type, or a shortcut whose flag bit is clear
    kDesktopShortcut,   // type 1, flag bit 0 set
    kProgramsShortcut,  // type 2, flag bit 1 set
    kRegistryValue,     // type 3: write the value, log its key
    kLogFile,           // types 4 and 5: log installDir + arg1
    kLogKey,            // types 6 and 7: log the key as stored
};

struct ActionPlan {
    ActionEffect effect;
    std::uint8_t logFlag;  // LogEntry.flag of the entry the action records
};

// The plan of an action of `type` under SetupConfig.flags `flags`.
ActionPlan planAction(std::uint32_t type, std::uint32_t flags);

// How many of `actionCount` records of `recordSize` bytes starting at
// `actionsOffset` end at or before `limit` (offsets from one base): a
// damaged count must not lead the walk out of the configuration area.
std::uint32_t actionsWithinLimit(std::size_t actionsOffset, std::uint32_t actionCount,
                                 std::size_t recordSize, std::size_t limit);

}  // namespace setup

#endif
