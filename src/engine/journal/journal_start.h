// The start of the run's journal (engine/journal/run_journal.h) in the
// setup program.
#ifndef ENGINE_JOURNAL_JOURNAL_START_H
#define ENGINE_JOURNAL_JOURNAL_START_H

namespace setup {

// Makes the run's backup folder on the system's volume and the journal in
// it, before the run's first change. A journal that cannot be made is
// logged and the run goes on without one, as runs did before journals.
void startRunJournal(const char* installFolder);

}  // namespace setup

#endif
