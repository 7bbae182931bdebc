// What the removal of the previous installation left behind: its files and
// folders that are still there at the end of the run and that this run's
// own log does not name (a file in use, a read-only one, the folder that
// holds them). Nobody's log names them any more, so the run says so: each
// in the run's log, and the caller tells the user or the exit code.
#ifndef ENGINE_LOG_PREVIOUS_LEFTOVERS_H
#define ENGINE_LOG_PREVIOUS_LEFTOVERS_H

#include <cstddef>

namespace setup {

// Keeps a copy of the previous installation's log (the "UnInstallLog" value)
// before its removal moves the file aside. Nothing when there is none or it
// cannot be read whole.
void keepPreviousLog();

// After the removal: a log that the removal did not walk (it was refused as
// damaged, or named places no installation makes, and the user was told)
// is let go. A walked log took its own file, or something else it names.
void notePreviousRemoval();

struct Leftovers {
    std::size_t files = 0;
    std::size_t folders = 0;
};

// Looks, after the run's own log is complete, for the kept log's files and
// folders that still exist and that this run's log does not record; writes
// each to the run's log, and the files, one a line, into `list` (`size`
// bytes; a list that does not fit ends with "..."). Nothing without a kept
// log.
Leftovers findPreviousLeftovers(char* list, std::size_t size);

}  // namespace setup

#endif
