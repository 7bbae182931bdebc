// The figures of the destination page: the space the selected components
// need and the space left on the destination drive.
#ifndef UI_WIZARD_DISK_SPACE_H
#define UI_WIZARD_DISK_SPACE_H

#include <windows.h>

#include "engine/extract/extraction_state.h"

namespace setup {

// Refreshes the page's disk-space controls for the selection and installDir
// and tells whether the space suffices. A page without the figures (212,
// 213) or the required-space text (40000) reads nothing and passes; a page
// with that text shows the required figure after its lead-in and passes;
// free space that cannot be read shows the configured "unknown" text and
// passes. The required figure is shown in the free figure's unit.
bool updateDiskSpace(HWND page, ExtractionState& selection);

}  // namespace setup

#endif
