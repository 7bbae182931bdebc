/* A DirectDraw library that does nothing but carry a version resource: the
   scenarios of the DirectX detection put it beside an installer and have Wine
   load it instead of its own (WINEDLLOVERRIDES=ddraw=n). */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
