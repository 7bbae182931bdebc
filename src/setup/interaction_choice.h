// Which interaction the run uses (engine/interaction.h): the windows
// (ui/window_interaction.h) unless the command line says that nobody is
// there (engine/unattended_interaction.h). This file defines the engine's
// questions() and display().
#ifndef SETUP_INTERACTION_CHOICE_H
#define SETUP_INTERACTION_CHOICE_H

namespace setup {

// The windows until this is called: a failure before the command line is
// read is shown. An unattended run answers every question as /S documents
// and shows nothing, or with `showsProgress` (/PASSIVE) shows the status
// popups and progress windows, whose Cancel is then off: nobody is asked.
void chooseInteraction(bool unattended, bool showsProgress);

}  // namespace setup

#endif
