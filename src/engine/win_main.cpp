#include <windows.h>

#include "engine/win_main.h"

namespace setup {

HINSTANCE programInstance;

}  // namespace setup
