// The thrown error object of every fatal failure and its codes. Raising
// stores the system's last error number into the static object of the code
// and throws a pointer to it (engine/failure.h); nothing is ever allocated.
#ifndef ENGINE_INSTALL_ERROR_H
#define ENGINE_INSTALL_ERROR_H

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

enum ErrorCode : std::uint32_t {
    kErrorArchiveCorrupt = 1,
    kErrorCreateFile = 2,
    kErrorCloseFile = 3,
    kErrorCreatePath = 4,
    kErrorWriteFile = 5,
    kErrorOutOfMemory = 6,
    kErrorReadPackage = 7,
    kErrorCrc = 8,
    kErrorRegistry = 10,
};

struct xInstall {
    std::uint32_t code;
    std::uint32_t systemError;
};

// The static error object of a code; an unassigned code yields nullptr.
xInstall* installErrorObject(std::uint32_t code);

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
