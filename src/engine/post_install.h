// The steps after extraction that run under the "updating system" popup.
#ifndef ENGINE_POST_INSTALL_H
#define ENGINE_POST_INSTALL_H

namespace setup {

// Shows the status popup with the updating text and its icon; it stays open
// until closeUpdatingStatus.
void showUpdatingStatus();
void closeUpdatingStatus();

}  // namespace setup

#endif
