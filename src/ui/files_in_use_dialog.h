// The question asked when files the run must replace or remove are in use:
// a lead-in, the programs that hold them (or the files themselves) in a
// list, and Retry, Ignore and Cancel.
#ifndef UI_FILES_IN_USE_DIALOG_H
#define UI_FILES_IN_USE_DIALOG_H

#include <cstddef>

#include "engine/interaction.h"

namespace setup {

// Shows template 110 modal and without owner: the lead-in msgProgramsInUse
// (`programs`) or msgFilesInUse, the names one a line ("..." after them
// when `more`), the buttons' extra texts and captionCancel. The close box
// and Esc answer Cancel. The answer goes to the run's log; a dialog that
// cannot be shown answers Cancel.
FilesInUseAnswer askAboutFilesInUse(const char* const* names, std::size_t count, bool more, bool programs);

}  // namespace setup

#endif
