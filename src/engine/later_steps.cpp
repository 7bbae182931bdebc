#include "engine/later_steps.h"

namespace setup {

bool runSetupWizard(ExtractionState&) { return true; }
void setupDirectX() {}

}  // namespace setup
