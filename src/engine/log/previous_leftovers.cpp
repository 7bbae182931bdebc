#include "engine/log/previous_leftovers.h"

#include <windows.h>

#include <cstring>
#include <iterator>

#include "base/bounded_text.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/removal/log_removal.h"
#include "engine/system/registry.h"
#include "package/setup_config.h"

namespace setup {

namespace {

std::uint8_t previousLog[kMaxLogFileSize];
bool previousLogKept = false;
char previousLogPath[fmt::kMaxPath];
LogItem previousItems[kMaxLogFileSize / kMinLogEntrySize];

bool stillThere(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// How many of the kept log's files and folders exist now.
std::size_t existingEntries() {
    std::size_t existing = 0;
    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder}) {
        const std::size_t count = collectLogEntries(previousLog, kind, previousItems, std::size(previousItems));
        for (std::size_t i = 0; i < count; ++i) existing += stillThere(previousItems[i].text) ? 1 : 0;
    }
    return existing;
}

std::size_t existingBeforeRemoval = 0;

}  // namespace

void keepPreviousLog() {
    previousLogKept = false;
    readRegistryString(previousLogPath, sizeof previousLogPath, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "UnInstallLog", "");
    if (previousLogPath[0] == '\0') return;
    std::size_t size = 0;
    previousLogKept = readLogFile(previousLogPath, previousLog, size) == LogFileRead::ok &&
                      checkLog(previousLog, size, LogOrigin::disk) == LogCheck::ok;
    if (previousLogKept) existingBeforeRemoval = existingEntries();
}

void notePreviousRemoval() {
    // A walked log took its own file, or at least something of what it names.
    if (previousLogKept && stillThere(previousLogPath) && existingEntries() == existingBeforeRemoval)
        previousLogKept = false;
}

Leftovers findPreviousLeftovers(char* list, std::size_t size) {
    Leftovers found;
    if (size != 0) list[0] = '\0';
    if (!previousLogKept) return found;
    const auto* ownLog = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    bool listFull = false;
    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder}) {
        const std::size_t count = collectLogEntries(previousLog, kind, previousItems, std::size(previousItems));
        for (std::size_t i = 0; i < count; ++i) {
            const char* path = previousItems[i].text;
            if (!stillThere(path) || logRecordsPath(ownLog, kind, path)) continue;
            if (kind == fmt::kLogFolder) {
                ++found.folders;
                logRunLine("left by the previous installation, in no log now: folder %s", path);
                continue;
            }
            ++found.files;
            logRunLine("left by the previous installation, in no log now: file %s", path);
            if (listFull) continue;
            // Whole lines only, with room for the mark of the rest: a cut
            // path never reads as a whole one.
            const std::size_t used = std::strlen(list);
            const std::size_t line = (used != 0 ? 1 : 0) + std::strlen(path);
            if (used + line + sizeof "\n..." <= size) {
                if (used != 0) appendBounded(list, size, "\n");
                appendBounded(list, size, path);
            } else {
                appendBounded(list, size, used != 0 ? "\n..." : "...");
                listFull = true;
            }
        }
    }
    return found;
}

}  // namespace setup
