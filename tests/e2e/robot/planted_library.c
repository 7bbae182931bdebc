/* A library planted beside a program under the name of a system library
   ("comctl32.dll", "mpr.dll", ...): the scenarios let Wine take it from
   there (WINEDLLOVERRIDES=<name>=n,b), so a program that loaded the name
   from its own folder would load this instead. It does nothing but record
   that it was loaded: each load appends one line, its own full path, a tab
   and the full path of the program that loaded it, to the file that
   PLANTED_LIBRARY_RECORD names. */
#include <windows.h>

#include <stdio.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char record[MAX_PATH], self[MAX_PATH] = "", program[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("PLANTED_LIBRARY_RECORD", record, sizeof record);
    if (length == 0 || length >= sizeof record) return TRUE;
    GetModuleFileNameA(instance, self, sizeof self);
    GetModuleFileNameA(NULL, program, sizeof program);
    FILE* out = fopen(record, "ab");
    if (out == NULL) return TRUE;
    fprintf(out, "%s\t%s\n", self, program);
    fclose(out);
    return TRUE;
}
