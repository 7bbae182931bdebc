// The uninstall log: entries appended to the in-memory section while the
// installation runs, and the checked walk that removal uses over the section
// itself or over a log file read back from disk.
#ifndef ENGINE_LOG_UNINSTALL_LOG_H
#define ENGINE_LOG_UNINSTALL_LOG_H

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

// The flag of a key entry: 1 for a key the uninstaller removes with
// everything below it (the product's own key), 0 for one it removes only
// when it has no sub-keys, 2 for a parent of a logged key that the setup
// program found missing and made on the way. A reader that knows only 0
// and 1 takes 2 for 0, which removes such a parent only when it is empty.
inline constexpr fmt::u8 kLogFlagMadeParent = 2;

// Appends one entry (kind, flag, value, text) at UninstallHeader.usedBytes of
// `section` and links it. Returns false and changes nothing when the text's
// share of the area would pass the 261,888-byte limit.
bool appendLogEntry(fmt::UninstallSection& section, fmt::u8 kind, fmt::u8 flag,
                    fmt::u32 value, const char* text);

// Puts the log back into its shipped state: the saved counts become the
// working ones and the unused part of the data area is zeroed.
void resetLogToShipped(fmt::UninstallSection& section);

// Makes `section` a log as shipped with no texts and no entries: the log
// area the uninstaller's undo of a killed setup takes that run's entries
// into.
void startEmptyLog(fmt::UninstallSection& section);

// A log file is at most the whole section: a longer file is no log of ours,
// and nothing larger is ever read into memory.
inline constexpr std::size_t kMaxLogFileSize = sizeof(fmt::UninstallSection);

// The smallest entry: a 10-byte head and a 4-byte text (the terminator and
// its padding). No log holds more entries than its bytes have room for.
inline constexpr std::size_t kMinLogEntrySize = sizeof(fmt::LogEntry) + 4;

// Who wrote the log. This run's own log is trusted for its roots and key
// lengths (a key that does not fit the removal's buffer is passed over
// alone); a file from disk may have been edited by anyone who can write the
// product's folder, so it is held to everything the program ever records.
enum class LogOrigin { thisRun, disk };

enum class LogCheck {
    ok,
    tooShort,     // fewer bytes than the header needs
    tooLong,      // more bytes than a whole section (disk only)
    badMagic,     // not "VLUnInst"
    badVersion,   // version other than 0x0101
    badCount,     // more entries than the bytes can hold
    outOfBounds,  // an entry, its text or its successor lies beyond the bytes
    notForward,   // an entry's successor does not lie behind its text
    keyTooLong,   // a registry key path of 260 characters or more (disk only)
    unknownRoot,  // a registry root other than HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER (disk only)
};

// Checks that all entryCount entries of the log in `bytes` (section header
// first, `size` bytes in all) can be walked inside those bytes, each entry's
// successor lying behind its text, so that every walk ends within size / 14
// steps. A log from disk must also name only the two roots the program
// records and key paths that fit 259 characters.
LogCheck checkLog(const fmt::u8* bytes, std::size_t size, LogOrigin origin);

struct LogItem {
    fmt::u8 kind;
    fmt::u8 flag;
    fmt::u32 value;
    const char* text;
    std::size_t length;
    fmt::u32 entryOffset;  // of the entry's head, from the start of the data area
};

// The number of entries of a log that checkLog accepted: at most
// size / kMinLogEntrySize, so an array of that many items is small.
std::uint32_t logEntryCount(const fmt::u8* bytes);

// Collects, in log order, the entries of `kind` of a log that checkLog
// accepted, at most `capacity` of them. Returns how many `out` holds.
std::size_t collectLogEntries(const fmt::u8* bytes, fmt::u8 kind, LogItem* out,
                              std::size_t capacity);

// True when a log that checkLog accepted holds an entry of `kind` whose text
// names `path`, ignoring the case of the ASCII letters as Windows does.
bool logRecordsPath(const fmt::u8* bytes, fmt::u8 kind, const char* path);

// Orders items by text length, longest first: a file or folder inside a folder,
// and a key below another, always comes before its parent.
void sortLongestFirst(LogItem* items, std::size_t count);

}  // namespace setup

#endif
