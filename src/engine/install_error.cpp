#include "engine/install_error.h"

namespace setup {

namespace {

xInstall errorArchiveCorrupt{kErrorArchiveCorrupt, 0};
xInstall errorCreateFile{kErrorCreateFile, 0};
xInstall errorCloseFile{kErrorCloseFile, 0};
xInstall errorCreatePath{kErrorCreatePath, 0};
xInstall errorWriteFile{kErrorWriteFile, 0};
xInstall errorOutOfMemory{kErrorOutOfMemory, 0};
xInstall errorReadPackage{kErrorReadPackage, 0};
xInstall errorCrc{kErrorCrc, 0};
xInstall errorRegistry{kErrorRegistry, 0};

}  // namespace

xInstall* installErrorObject(std::uint32_t code) {
    switch (code) {
    case kErrorArchiveCorrupt: return &errorArchiveCorrupt;
    case kErrorCreateFile: return &errorCreateFile;
    case kErrorCloseFile: return &errorCloseFile;
    case kErrorCreatePath: return &errorCreatePath;
    case kErrorWriteFile: return &errorWriteFile;
    case kErrorOutOfMemory: return &errorOutOfMemory;
    case kErrorReadPackage: return &errorReadPackage;
    case kErrorCrc: return &errorCrc;
    case kErrorRegistry: return &errorRegistry;
    default: return nullptr;
    }
}

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
