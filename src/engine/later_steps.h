// The steps of the installation that are still to come. Each hook keeps its
// place in the main sequence and in the failure handler, and does nothing
// yet (the wizard completes at once).
#ifndef ENGINE_LATER_STEPS_H
#define ENGINE_LATER_STEPS_H

#include "engine/extraction_state.h"

namespace setup {

// The wizard; true when the user completed it.
bool runSetupWizard(ExtractionState& product);
// The DirectX runtime, when the wizard chose it.
void setupDirectX();

}  // namespace setup

#endif
