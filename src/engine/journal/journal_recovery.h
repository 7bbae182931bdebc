// The start of a run after a run of the same product was killed: its
// journal (engine/journal/run_journal.h) is found beside its backups and
// the killed run is undone exactly as its own failure would have undone it.
#ifndef ENGINE_JOURNAL_JOURNAL_RECOVERY_H
#define ENGINE_JOURNAL_JOURNAL_RECOVERY_H

namespace setup {

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
