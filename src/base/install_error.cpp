#include "base/install_error.h"

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

}  // namespace setup
