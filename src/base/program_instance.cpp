#include "base/program_instance.h"

namespace setup {

HINSTANCE programInstance;
HDC measureContext;

}  // namespace setup
