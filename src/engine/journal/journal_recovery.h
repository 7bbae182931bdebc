// The start of a run after a run of the same product was killed: its
// journal (engine/journal/run_journal.h) is found beside its backups and
// the killed run is undone exactly as its own failure would have undone it.
#ifndef ENGINE_JOURNAL_JOURNAL_RECOVERY_H
#define ENGINE_JOURNAL_JOURNAL_RECOVERY_H

#include <cstddef>

namespace setup {

enum class JournalUndo {
    notFound,  // no journal of a killed run in the folder
    undone,    // the killed run is undone, its folders and journal gone
    kept,      // the journal cannot be trusted: nothing undone, its folders stay
};

// Undoes the killed run whose journal lies in `journalFolder` (one that
// findInterruptedJournals found), by the configuration record's log area,
// which holds the log as shipped: the journal's entries are taken into it
// and the run is rolled back as its own failure would have rolled it back.
// A journal that is damaged or names places outside what its run could
// have made undoes nothing: its folders are made visible, the journal is
// renamed so that no later start meets it again, and `keptFolders` lists
// the folders, a line each. Shows nothing: what was done goes to the run's
// log, and the caller says it.
JournalUndo undoInterruptedRun(const char* journalFolder, char* keptFolders, std::size_t keptSize);


// Looks at the root of the system's volume for the backup folders of runs
// of this product whose process no longer runs, each with its journal, in a
// folder only the administrators, the system and the user running the
// program can write. Each one is undone: what it made goes, what it moved
// aside, removed or changed comes back, and its backup folders and journal
// go; attended, a message says so, unattended the run's log. A journal that
// is damaged or names places outside what the run could have made undoes
// nothing: its folders stay, made visible, and are named; an unattended
// run then ends with kExitJournalKept. Called once the single-instance
// guard is held, before anything else is asked or changed.
void recoverInterruptedRun();

}  // namespace setup

#endif
