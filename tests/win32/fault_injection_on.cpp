// The fault-injection test build's answers to the seams of
// base/fault_injection.h, driven by the environment:
//   SETUP_FAULT_AT=N       the Nth fallible system call of the run fails
//   SETUP_KILL_AT=N        the process ends at once at that call, before it is
//                          made, as if it were killed: nothing of the run's own
//                          ending (rollback, journal deletion, run log) happens
//   SETUP_CANCEL_AT=K      the run is cancelled after its Kth chunk
//   SETUP_FAULT_REPORT=F   every call, fault, box and cancel is appended to F
// Every message box is answered with its first button, without a window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/fault_injection.h"

namespace setup {

namespace {

const char* const kSiteNames[] = {
    "createFile", "writeFile", "closeFile", "createFolder", "createKey",
    "setValue",   "closeKey",  "saveShortcut", "createPicture", "backUpFile",
    "backUpRemovedFile", "saveKey", "saveValue", "startJournal",
};

long environmentNumber(const char* name) {
    char text[32] = {};
    if (GetEnvironmentVariableA(name, text, sizeof text) == 0) return 0;
    return std::strtol(text, nullptr, 10);
}

// One line appended to the report; the system error is kept for the caller.
void report(const char* line) {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("SETUP_FAULT_REPORT", path, sizeof path) == 0) return;
    const DWORD error = GetLastError();
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
        WriteFile(file, "\n", 1, &written, nullptr);
        CloseHandle(file);
    }
    SetLastError(error);
}

long callsSoFar;
// What a killed run's process ends with: no code of the program's own.
constexpr UINT kKilledExitCode = 0xDEAD;
long chunksSoFar;

}  // namespace

bool injectFault(FaultSite site) {
    static const long failAt = environmentNumber("SETUP_FAULT_AT");
    static const long killAt = environmentNumber("SETUP_KILL_AT");
    const long number = ++callsSoFar;
    if (number == killAt) {
        char line[64];
        std::snprintf(line, sizeof line, "kill %ld %s", number, kSiteNames[static_cast<int>(site)]);
        report(line);
        TerminateProcess(GetCurrentProcess(), kKilledExitCode);
    }
    char line[64];
    const bool fail = number == failAt;
    std::snprintf(line, sizeof line, "%s %ld %s", fail ? "fault" : "call", number,
                  kSiteNames[static_cast<int>(site)]);
    report(line);
    return fail;
}

bool answerWithoutWindow(const char* text, unsigned type, int& answer) {
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: answer = IDYES; break;
    case MB_RETRYCANCEL: answer = IDRETRY; break;
    case MB_ABORTRETRYIGNORE: answer = IDABORT; break;
    default: answer = IDOK; break;
    }
    char line[600];
    std::snprintf(line, sizeof line, "box %s", text);
    for (char* p = line; *p != '\0'; ++p)
        if (*p == '\n' || *p == '\r') *p = '|';
    report(line);
    return true;
}

bool cancelAfterChunk() {
    static const long cancelAt = environmentNumber("SETUP_CANCEL_AT");
    const long chunk = ++chunksSoFar;
    char line[32];
    std::snprintf(line, sizeof line, "chunk %ld", chunk);
    report(line);
    return chunk == cancelAt;
}

}  // namespace setup
