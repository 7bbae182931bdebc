/* A stand-in for the DirectX setup library "dsetup.dll", built for the
   scenarios and the example game: it installs nothing. Its DirectXSetupA
   takes the arguments the setup program passes (window, root folder,
   flags), records the call, checks that the files it expects lie below the
   root folder, and returns the result a test asks for:

     DSETUP_STAND_IN_RECORD  a file to which every call appends one line
     DSETUP_STAND_IN_RESULT  the result to return, decimal (0 when unset)

   The files it expects are those its manifest "manifest.txt" in the root
   folder names, one relative path a line. The line recorded holds
   tab-separated name=value fields: library (its own full path), root,
   flags, window-class, window-title, window-visible, and files ("ok", or
   "missing <name>" for the first file not found). */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HINSTANCE library;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) library = instance;
    return TRUE;
}

/* "ok", or "missing <name>" for the manifest or the first file it names
   that is not below root. */
static void checkExpectedFiles(const char* root, char* verdict, size_t size) {
    char path[2 * MAX_PATH];
    snprintf(path, sizeof path, "%smanifest.txt", root);
    FILE* manifest = fopen(path, "r");
    if (manifest == NULL) {
        snprintf(verdict, size, "missing manifest.txt");
        return;
    }
    snprintf(verdict, size, "ok");
    char line[MAX_PATH];
    while (fgets(line, sizeof line, manifest) != NULL) {
        line[strcspn(line, "\r\n")] = '\0';
        if (line[0] == '\0') continue;
        snprintf(path, sizeof path, "%s%s", root, line);
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
            snprintf(verdict, size, "missing %s", line);
            break;
        }
    }
    fclose(manifest);
}

static void recordCall(const char* recordPath, HWND window, const char* root, DWORD flags) {
    char self[MAX_PATH] = "", windowClass[64] = "", title[128] = "";
    char files[MAX_PATH + 16];
    GetModuleFileNameA(library, self, sizeof self);
    if (window != NULL) {
        GetClassNameA(window, windowClass, sizeof windowClass);
        GetWindowTextA(window, title, sizeof title);
    }
    checkExpectedFiles(root, files, sizeof files);
    FILE* out = fopen(recordPath, "a");
    if (out == NULL) return;
    fprintf(out,
            "library=%s\troot=%s\tflags=0x%08lX\twindow-class=%s\twindow-title=%s\t"
            "window-visible=%d\tfiles=%s\n",
            self, root, (unsigned long)flags, windowClass, title,
            window != NULL && IsWindowVisible(window) ? 1 : 0, files);
    fclose(out);
}

__declspec(dllexport) int WINAPI DirectXSetupA(HWND window, char* root, DWORD flags) {
    char text[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("DSETUP_STAND_IN_RECORD", text, sizeof text);
    if (length > 0 && length < sizeof text) recordCall(text, window, root != NULL ? root : "", flags);
    length = GetEnvironmentVariableA("DSETUP_STAND_IN_RESULT", text, sizeof text);
    return length > 0 && length < sizeof text ? atoi(text) : 0;
}
