#include <windows.h>

#include "engine/win_main.h"

// The program's entry point. The main sequence comes next; for now the
// program only starts and ends.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    setup::programInstance = instance;
    return 0;
}
