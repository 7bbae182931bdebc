// Process-wide values of the setup program.
#ifndef ENGINE_WIN_MAIN_H
#define ENGINE_WIN_MAIN_H

#include <windows.h>

namespace setup {

extern HINSTANCE programInstance;

}  // namespace setup

#endif
