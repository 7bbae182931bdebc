// The DirectX runtime setup: the package's DirectX component extracted into
// a private folder made new in the temporary folder, its setup library
// called from there, the temporary files
// removed again, and a failure explained to the user, who decides whether
// the installation goes on.
#ifndef ENGINE_DIRECTX_DIRECTX_SETUP_H
#define ENGINE_DIRECTX_DIRECTX_SETUP_H

#include "engine/directx/directx_setup_rules.h"

namespace setup {

// Runs the DirectX setup when the wizard chose it (installDirectX). Returns
// when it succeeded (rebootRequired is then set), passed silently, or
// failed and the user chose to go on; a user who chooses to stop ends the
// process through the cancel (exit code 8; an unattended run ends there with
// kExitDirectXFailed). Extraction failures are raised.
// A private folder that cannot be made, or whose path with
// "Redist\dsetup.dll" would not fit its buffer, is not used: nothing is
// extracted and the question names the library as missing.
void setupDirectX();

// Loads "<tempFolder>Redist\dsetup.dll" (tempFolder ends with a backslash)
// and calls its DirectXSetupA with the never-shown helper window, the root
// folder "<tempFolder>Redist\" and kDirectXSetupFlags. Returns the reason to
// show: kDirectXLibraryMissing when the library does not load or its path
// does not fit, kDirectXFunctionMissing without the function, the result's
// reason otherwise; both success results set rebootRequired.
DirectXReason runDirectXSetup(const char* tempFolder);

}  // namespace setup

#endif
