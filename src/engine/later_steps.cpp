#include "engine/later_steps.h"

namespace setup {

bool runSetupWizard(ExtractionState&) { return true; }
void setupDirectX() {}
void runPostInstallActions(const ExtractionState&) {}
void registerProduct() {}
void writeUninstallLog() {}

}  // namespace setup
