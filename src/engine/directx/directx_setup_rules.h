// What the setup program makes of the DirectX setup library: whether the
// system needs it, the paths it loads it from, the flags it passes, and the
// reason shown for each result of DirectXSetupA. Pure code.
#ifndef ENGINE_DIRECTX_DIRECTX_SETUP_RULES_H
#define ENGINE_DIRECTX_DIRECTX_SETUP_RULES_H

#include <cstddef>
#include <cstdint>

#include "engine/directx/directx_version_rules.h"
#include "format/package_format.h"

namespace setup {

// 0: no message. 1 to 14: the failure reason whose text is
// SetupConfig.dxReasons[reason - 1].
using DirectXReason = std::uint32_t;

inline constexpr DirectXReason kDirectXNoReason = 0;
inline constexpr DirectXReason kDirectXLibraryMissing = 1;   // not loadable
inline constexpr DirectXReason kDirectXFunctionMissing = 2;  // no DirectXSetupA

// What DirectXSetupA installs: the runtime core, the display drivers and
// the sound drivers.
inline constexpr std::uint32_t kDirectXSetupFlags = 0x00010018;

// The folder of the extracted DirectX component and the library in it.
inline constexpr char kDirectXRootFolder[] = "Redist\\";
inline constexpr char kDirectXSetupLibrary[] = "dsetup.dll";

// From a detectDirectXVersion value: a missing or unreadable library needs
// the setup, Windows NT never does, a version needs it when it is below
// `required` (compared unsigned).
bool needsDirectXSetup(std::int32_t detected, std::uint32_t required);

struct DirectXSetupOutcome {
    DirectXReason reason;
    bool rebootRequired;
};

// The outcome of a DirectXSetupA result: 0 and 1 succeed and need a
// restart; -1 to -9 and -11 to -13 are failures with their reasons; -10
// and every other value pass silently.
DirectXSetupOutcome directXSetupOutcome(std::int32_t result);

// root = "<tempFolder>Redist\", library = "<root>dsetup.dll", each in its
// own kMaxPath buffer. False, with both empty, when either does not fit:
// a path cut short would name another file.
bool directXSetupPaths(const char* tempFolder, char (&root)[fmt::kMaxPath],
                       char (&library)[fmt::kMaxPath]);

}  // namespace setup

#endif
