// Process-wide values of the Win32 program.
#ifndef BASE_PROGRAM_INSTANCE_H
#define BASE_PROGRAM_INSTANCE_H

#include <windows.h>

namespace setup {

// Module instance: dialogs, resources and string-table texts load from it.
extern HINSTANCE programInstance;
// Memory device context compatible with the screen, for converting point
// sizes; created at start-up and never released.
extern HDC measureContext;

}  // namespace setup

#endif
