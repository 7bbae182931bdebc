#include "engine/failure/failure_messages.h"

#include "base/install_error.h"
#include "format/package_format.h"

namespace setup {

FailureMessage failureMessageFor(std::uint32_t code) {
    using fmt::TextSlots;
    switch (code) {
    case kErrorArchiveCorrupt:
        return {true, offsetof(TextSlots, errArchiveCorrupt), FailureArguments::kNone};
    case kErrorCreateFile:
        return {true, offsetof(TextSlots, errCreateFile), FailureArguments::kFileAndSystem};
    case kErrorCloseFile:
        return {true, offsetof(TextSlots, errCloseFile), FailureArguments::kFileAndSystem};
    case kErrorCreatePath:
        return {true, offsetof(TextSlots, errCreatePath), FailureArguments::kFolderAndSystem};
    case kErrorWriteFile:
        return {true, offsetof(TextSlots, errWriteFile), FailureArguments::kFileAndSystem};
    case kErrorOutOfMemory:
        return {true, offsetof(TextSlots, errOutOfMemory), FailureArguments::kNone};
    case kErrorReadPackage:
        return {true, offsetof(TextSlots, errReadPackage), FailureArguments::kSystem};
    case kErrorCrc:
        return {true, offsetof(TextSlots, errCrc), FailureArguments::kNone};
    case kErrorRegistry:
        return {true, offsetof(TextSlots, errRegistry), FailureArguments::kSystem};
    default:
        return {false, 0, FailureArguments::kNone};
    }
}

}  // namespace setup
