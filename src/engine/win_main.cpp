#include "engine/win_main.h"

namespace setup {

HINSTANCE programInstance;
HDC measureContext;

}  // namespace setup
