#include "engine/later_steps.h"

namespace setup {

void setupDirectX() {}

}  // namespace setup
