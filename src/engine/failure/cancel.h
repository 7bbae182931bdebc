// A cancel is no failure: the user asked to stop. It has its own question,
// its own message and its own exit code (8). The windows only ask; ending
// the run is the engine's.
#ifndef ENGINE_FAILURE_CANCEL_H
#define ENGINE_FAILURE_CANCEL_H

namespace setup {

// Asks whether to quit the setup (the configured quit question, without an
// owner window); true for Yes. False without asking while the run is already
// ending, and false when a failure came while the question was open.
bool confirmCancel();

// Ends the run as a confirmed cancel: from here on nothing raises; an open
// output file is closed as it stands (the undo deletes it), this run is
// undone by its log under the undo popup, the cancel message is shown and
// the process ends with exit code 8. Called only while the run is not
// ending already.
[[noreturn]] void endCancelledRun();

}  // namespace setup

#endif
