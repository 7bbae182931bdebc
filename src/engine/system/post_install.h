// The steps after extraction that run under the "updating system" popup.
#ifndef ENGINE_SYSTEM_POST_INSTALL_H
#define ENGINE_SYSTEM_POST_INSTALL_H

#include "engine/extract/extraction_state.h"

namespace setup {

// Shows the status popup with the updating text and its icon; it stays open
// until closeUpdatingStatus.
void showUpdatingStatus();
void closeUpdatingStatus();

// Runs the post-install actions of every component selected in `product`,
// components in index order and actions in stored order: shortcuts, registry
// values and the entries that let the uninstaller remove what the product
// makes later. Raises error code 10 when a registry value cannot be written
// and 4 when a shortcut's folder cannot be created.
void runPostInstallActions(const ExtractionState& product);

}  // namespace setup

#endif
