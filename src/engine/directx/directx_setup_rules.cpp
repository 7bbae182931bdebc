#include "engine/directx/directx_setup_rules.h"

#include "base/bounded_text.h"

namespace setup {

bool needsDirectXSetup(std::int32_t detected, std::uint32_t required) {
    switch (detected) {
    case kDirectXNotFound:
    case kDirectXUnreadable: return true;
    case kDirectXNotApplicable: return false;
    default: return static_cast<std::uint32_t>(detected) < required;
    }
}

DirectXSetupOutcome directXSetupOutcome(std::int32_t result) {
    switch (result) {
    case 0:                                    // installed
    case 1: return {kDirectXNoReason, true};   // installed, the system must restart
    case -1: return {5, false};                // the Windows version is not supported
    case -2: return {12, false};               // a source file is missing
    case -3: return {3, false};                // a file's size
    case -4: return {4, false};                // a file's date and time
    case -5: return {9, false};                // a file's version
    case -6: return {11, false};               // out of disk space
    case -7: return {7, false};                // an .inf file is missing
    case -8: return {6, false};                // no working folder
    case -9: return {8, false};                // an internal error
    case -11: return {13, false};              // the operating system is not supported
    case -12: return {14, false};              // cancelled inside the DirectX setup
    case -13: return {10, false};              // an NT without all the components
    default: return {kDirectXNoReason, false};  // -10 and unknown results
    }
}

bool directXSetupPaths(const char* tempFolder, char (&root)[fmt::kMaxPath],
                       char (&library)[fmt::kMaxPath]) {
    if (formatBounded(root, sizeof root, "%s%s", tempFolder, kDirectXRootFolder) &&
        formatBounded(library, sizeof library, "%s%s", root, kDirectXSetupLibrary)) {
        return true;
    }
    root[0] = '\0';
    library[0] = '\0';
    return false;
}

}  // namespace setup
