#include "engine/in_use/restart_replacements.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/system_library.h"
#include "engine/in_use/in_use_list.h"
#include "engine/log/run_log.h"

namespace setup {

namespace {

struct Replacement {
    char path[fmt::kMaxPath];
    char beside[fmt::kMaxPath];
};

// Files in use are few; one beyond these is kept as it is.
constexpr std::size_t kMaxReplacements = 256;
Replacement replacements[kMaxReplacements];
std::size_t replacementCount = 0;
bool ignoring = false;

bool placeIsFree(const char* path) { return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; }

}  // namespace

bool restartReplacementAllowed() {
    if (!runsOnWindowsNT()) return false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                      &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void ignoreFilesInUse() { ignoring = true; }

HeldFileWay wayForHeldFile(const char* path, char (&beside)[fmt::kMaxPath]) {
    const DWORD error = GetLastError();
    if (!ignoring || !isInUseError(error)) return HeldFileWay::fails;
    static const bool allowed = restartReplacementAllowed();
    bool named = false;
    for (unsigned n = 1; !named && n < 100; ++n)
        named = formatBounded(beside, sizeof beside, "%s.~%u", path, n) && placeIsFree(beside);
    if (!allowed || !named || replacementCount == kMaxReplacements) {
        logRunLine("in use, kept as it is: %s", path);
        return HeldFileWay::kept;
    }
    Replacement& noted = replacements[replacementCount++];
    copyBounded(noted.path, path);
    copyBounded(noted.beside, beside);
    logRunLine("in use: %s is written as %s, to replace it at the next restart", path, beside);
    return HeldFileWay::atRestart;
}

void registerReplacementsAtRestart() {
    for (std::size_t i = 0; i < replacementCount; ++i) {
        const Replacement& r = replacements[i];
        if (MoveFileExA(r.beside, r.path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
            rebootRequired = true;
            logRunLine("%s replaces %s at the next restart", r.beside, r.path);
        } else {
            const DWORD error = GetLastError();
            DeleteFileA(r.beside);
            logRunLine("%s cannot be replaced at the next restart (error %lu): it stays as it was", r.path, error);
        }
    }
    replacementCount = 0;
}

}  // namespace setup
