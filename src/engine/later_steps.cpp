#include "engine/later_steps.h"

namespace setup {

bool runSetupWizard(ExtractionState&) { return true; }
void setupDirectX() {}
void removePreviousInstallation() {}
void extractComponents(ExtractionState&) {}
void showUpdatingStatus() {}
void closeUpdatingStatus() {}
void runPostInstallActions(const ExtractionState&) {}
void registerProduct() {}
void writeUninstallLog() {}

void closeOutputFile() {}
void rollBackInstallation() {}

}  // namespace setup
