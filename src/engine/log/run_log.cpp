#include "engine/log/run_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "base/bounded_text.h"
#include "engine/failure/exit_codes.h"
#include "engine/paths/unfollowed_items.h"
#include "format/package_format.h"

namespace setup {

namespace {

HANDLE runLog = INVALID_HANDLE_VALUE;

}  // namespace

bool openRunLog(const char* path) {
    // The run is elevated and the log's folder may be one other users write:
    // nothing is written through a name that is there already. A plain file
    // at the name (an earlier run's log) is first deleted the way the
    // removal deletes files, refusing a link at the name or on its way; the
    // log is then always a new file. CREATE_NEW fails for any name that
    // exists, a link planted in between (even one to nothing) included.
    if (removeFileUnfollowed(path) == ItemOutcome::link) return false;
    runLog = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return runLog != INVALID_HANDLE_VALUE;
}

void logRunLine(const char* format, ...) {
    if (runLog == INVALID_HANDLE_VALUE) return;
    // Its own error number is kept: a log line must not change what a
    // failure that follows reports.
    const DWORD error = GetLastError();
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[1024];
    formatBounded(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    char text[900];
    std::va_list args;
    va_start(args, format);
    vformatBounded(text, sizeof text, format, args);
    va_end(args);
    std::size_t used = std::strlen(line);
    for (const char* p = text; *p != '\0' && used + 4 < sizeof line; ++p) {
        if (*p == '\r') continue;
        if (*p == '\n') {
            line[used++] = ' ';
            line[used++] = '|';
            line[used++] = ' ';
        } else {
            line[used++] = *p;
        }
    }
    line[used++] = '\r';
    line[used++] = '\n';
    DWORD written = 0;
    WriteFile(runLog, line, static_cast<DWORD>(used), &written, nullptr);
    SetLastError(error);
}

void logRunEntry(std::uint8_t kind, std::uint32_t root, const char* text, RunEntry how) {
    const char* lead = how == RunEntry::recorded ? "recorded for removal, not made: " : "";
    switch (kind) {
    case fmt::kLogFile: logRunLine("%sfile %s", lead, text); break;
    case fmt::kLogFolder: logRunLine("%sfolder %s", lead, text); break;
    case fmt::kLogRegistryKey:
        logRunLine("%skey %s\\%s", lead,
                   root == fmt::kRootCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE", text);
        break;
    default: break;
    }
}

void logRunMessage(const char* caption, const char* text, int answer) {
    logRunLine("message \"%s\": %s (answered %s)", caption != nullptr ? caption : "", text,
               answer == IDYES ? "Yes" : answer == IDNO ? "No" : answer == IDCANCEL ? "Cancel" : "OK");
}

void closeRunLog(std::uint32_t exitCode) {
    if (runLog == INVALID_HANDLE_VALUE) return;
    logRunLine("exit code %u: %s", exitCode, exitCodeMeaning(exitCode));
    CloseHandle(runLog);
    runLog = INVALID_HANDLE_VALUE;
}

}  // namespace setup
