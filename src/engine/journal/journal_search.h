// Finding the journals of killed runs (engine/journal/run_journal.h): both
// the setup program, which undoes them, and the uninstaller, which must not
// remove a product that a killed run left half changed, look for them.
#ifndef ENGINE_JOURNAL_JOURNAL_SEARCH_H
#define ENGINE_JOURNAL_JOURNAL_SEARCH_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

// The backup folders at the root of the system's volume (each with its
// backslash) that hold a journal of a run of `productName` (of any product
// when it is nullptr) whose process no
// longer runs, in a folder that only the administrators, the system and
// the user running the program can write; at most `capacity` of them.
std::size_t findInterruptedJournals(const char* productName, char (*folders)[fmt::kMaxPath],
                                    std::size_t capacity);

// True when the journal in `folder` names `place` (a folder, with or
// without its closing backslash) as a place its run made things in.
bool journalNamesPlace(const char* folder, const char* place);

// Opens the journal in `folder` without following a link; its size in
// `size`. INVALID_HANDLE_VALUE when there is none that can be read.
HANDLE openJournal(const char* folder, std::uint32_t& size);

}  // namespace setup

#endif
