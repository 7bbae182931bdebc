#include <windows.h>

#include "base/install_error.h"

namespace setup {

void raiseInstallError(ErrorCode code) {
    xInstall* error = installErrorObject(code);
    error->systemError = GetLastError();
    throw error;
}

}  // namespace setup
