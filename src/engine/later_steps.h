// The steps of the installation that are still to come. Each hook keeps its
// place in the main sequence and does nothing yet.
#ifndef ENGINE_LATER_STEPS_H
#define ENGINE_LATER_STEPS_H

namespace setup {

// The DirectX runtime, when the wizard chose it.
void setupDirectX();

}  // namespace setup

#endif
