// Which interaction the run uses (engine/interaction.h): the windows
// (ui/window_interaction.h) unless the command line says that nobody is
// there (engine/unattended_interaction.h). This file defines the engine's
// questions() and display().
#ifndef SETUP_INTERACTION_CHOICE_H
#define SETUP_INTERACTION_CHOICE_H

namespace setup {

// The windows until this is called: a failure before the command line is
// read is shown. An unattended run answers and shows nothing; a run that
// answered as /S but showed its progress would pair the unattended
// questions with the windows' display.
void chooseInteraction(bool unattended);

}  // namespace setup

#endif
