// The uninstall log: entries appended to the in-memory section while the
// installation runs, and the checked walk that removal uses over the section
// itself or over a log file read back from disk.
#ifndef ENGINE_UNINSTALL_LOG_H
#define ENGINE_UNINSTALL_LOG_H

#include <cstddef>

#include "format/package_format.h"

namespace setup {

// Appends one entry (kind, flag, value, text) at UninstallHeader.usedBytes of
// `section` and links it. Returns false and changes nothing when the text's
// share of the area would pass the 261,888-byte limit.
bool appendLogEntry(fmt::UninstallSection& section, fmt::u8 kind, fmt::u8 flag,
                    fmt::u32 value, const char* text);

// Puts the log back into its shipped state: the saved counts become the
// working ones and the unused part of the data area is zeroed.
void resetLogToShipped(fmt::UninstallSection& section);

// What a log held in memory looks like to the walk.
enum class LogCheck {
    ok,
    tooShort,     // fewer bytes than the header needs
    badMagic,     // not "VLUnInst"
    badVersion,   // version other than 0x0101
    outOfBounds,  // an entry, its text or its successor lies beyond the bytes
    keyTooLong,   // a registry key path of 260 characters or more
};

// Checks that all `entryCount` entries of the log in `bytes` (section header
// first, `size` bytes in all) can be walked without leaving those bytes.
LogCheck checkLog(const fmt::u8* bytes, std::size_t size);

struct LogItem {
    fmt::u8 kind;
    fmt::u32 value;
    const char* text;
    std::size_t length;
};

// Collects, in log order, the entries of `kind` of a log that checkLog
// accepted. `out` has room for entryCount items; returns how many it holds.
std::size_t collectLogEntries(const fmt::u8* bytes, std::size_t size, fmt::u8 kind,
                              LogItem* out);

// Orders items by text length, longest first: a file or folder inside a folder,
// and a key below another, always comes before its parent.
void sortLongestFirst(LogItem* items, std::size_t count);

}  // namespace setup

#endif
