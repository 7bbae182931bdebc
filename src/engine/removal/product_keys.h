// The registry keys the product's own description names, for the removal
// of a previous installation: what a log from disk may remove
// (engine/removal/registry_limits.h).
#ifndef ENGINE_REMOVAL_PRODUCT_KEYS_H
#define ENGINE_REMOVAL_PRODUCT_KEYS_H

#include "engine/removal/registry_limits.h"

namespace setup {

// The product key under both roots, the system uninstall entry's key, and
// the key of every registry-value and remove-key action of every component
// (selected or not: an earlier run may have chosen others), as the run
// writes or records them. The keys stay valid until the next call.
RegistryLimits productRegistryLimits(bool trustMadeParents);

}  // namespace setup

#endif
