// Which configured message each error code shows, and what it quotes.
#ifndef ENGINE_FAILURE_FAILURE_MESSAGES_H
#define ENGINE_FAILURE_FAILURE_MESSAGES_H

#include <cstddef>
#include <cstdint>

namespace setup {

// What the configured message of a code quotes, in order.
enum class FailureArguments {
    kNone,               // no placeholder
    kFileAndSystem,      // currentPath, system error text
    kFolderAndSystem,    // currentDir, system error text
    kSystem,             // system error text
};

struct FailureMessage {
    bool shown;                 // false: the code has no message
    std::size_t textSlot;       // offset of the text slot in fmt::TextSlots
    FailureArguments arguments;
};

// The configured message of an error code and its arguments.
FailureMessage failureMessageFor(std::uint32_t code);

}  // namespace setup

#endif
