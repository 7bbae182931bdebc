// The InstallLog file that a run writes into its install folder: reading it
// entry by entry, and writing one (sound or damaged) for a scenario's
// "previous installation".
#ifndef E2E_HARNESS_INSTALL_LOG_FILE_H
#define E2E_HARNESS_INSTALL_LOG_FILE_H

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "package_surgery.h"

namespace e2e {

struct LogRecord {
    int kind = 0;             // 1 file, 2 folder, 3 registry key
    int flag = 0;
    std::uint32_t value = 0;  // the root key of kind 3
    std::string text;

    bool operator==(const LogRecord& other) const {
        return kind == other.kind && flag == other.flag && value == other.value &&
               text == other.text;
    }
};
std::ostream& operator<<(std::ostream& out, const LogRecord& record);

struct InstallLogFile {
    std::uint16_t version = 0;
    std::uint32_t firstEntryOffset = 0, savedFirstEntryOffset = 0;
    std::uint32_t entryCount = 0, savedEntryCount = 0;
    std::uint32_t usedBytes = 0, savedUsedBytes = 0;
    std::vector<std::string> texts;  // the uninstaller's 19 texts
    std::vector<LogRecord> entries;
};

// Reads a log file; nullopt with the reason in `problem` when its magic,
// version, sizes or entry chain do not hold together (every entry's next
// must name where the following one starts).
std::optional<InstallLogFile> parseInstallLog(const Bytes& bytes, std::string& problem);

// A log file with no uninstaller texts and the given entries.
Bytes makeInstallLog(const std::vector<LogRecord>& entries);

// A log file with more entries behind its own, as an edit of the file
// would add them: the last entry's successor already points behind it.
Bytes withExtraEntries(const Bytes& log, const std::vector<LogRecord>& extra);

}  // namespace e2e

#endif
