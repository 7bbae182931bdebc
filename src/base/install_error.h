// The thrown error object of every fatal failure and its codes. Raising
// stores the system's last error number into the static object of the code
// and throws a pointer to it; nothing is ever allocated, so raising works
// when memory is exhausted. The one handler lives in engine/failure/failure.h.
#ifndef BASE_INSTALL_ERROR_H
#define BASE_INSTALL_ERROR_H

#include <cstdint>

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

// Stores the thread's last error number into the object of `code` and throws
// a pointer to it (Win32 builds only).
[[noreturn]] void raiseInstallError(ErrorCode code);

}  // namespace setup

#endif
