/* A scratch program for the import check: built once with only functions
   every supported Windows exports, once (NEWER_IMPORT) with a call of one
   that Windows 98 and NT 4.0 lack. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance, (void)previous, (void)commandLine, (void)show;
#ifdef NEWER_IMPORT
    return (int)(GetTickCount64() & 1);
#else
    return (int)(GetTickCount() & 1);
#endif
}
