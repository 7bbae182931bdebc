// The plain text log of a run (/LOG=file): the start, the options, every
// file, folder, key and shortcut the run makes, every message it shows or
// would show, and the outcome. Each line is written through at once, so a
// run that ends abruptly leaves what happened. Nothing here raises and
// nothing here is part of the installation: a line that cannot be written
// is lost, the run goes on.
#ifndef ENGINE_LOG_RUN_LOG_H
#define ENGINE_LOG_RUN_LOG_H

#include <cstdint>

namespace setup {

// Creates the log file, which must not exist yet: a name that exists, a
// link included, is refused (false), as is one that cannot be created.
bool openRunLog(const char* path);

// A time-stamped line; nothing when no log is open. Line breaks inside the
// text become " | ".
void logRunLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One uninstall-log entry: something the run made, or something it only
// records for the uninstaller ("recorded for removal, not made: ...").
enum class RunEntry { made, recorded };
void logRunEntry(std::uint8_t kind, std::uint32_t root, const char* text, RunEntry how = RunEntry::made);

// A message box the run showed, or would have shown, and the button that
// answered it (the system's IDOK, IDYES, IDNO or IDCANCEL).
void logRunMessage(const char* caption, const char* text, int answer);

// The last line, the exit code in words, and the file closed.
void closeRunLog(std::uint32_t exitCode);

}  // namespace setup

#endif
