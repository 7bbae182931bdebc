#include "setup/interaction_choice.h"

#include "engine/interaction.h"
#include "engine/unattended_interaction.h"
#include "ui/window_interaction.h"

namespace setup {

namespace {

WindowQuestions windowQuestions;
WindowDisplay windowDisplay;
UnattendedQuestions unattendedQuestions;
UnattendedDisplay unattendedDisplay;

Questions* chosenQuestions = &windowQuestions;
Display* chosenDisplay = &windowDisplay;

}  // namespace

Questions& questions() { return *chosenQuestions; }
Display& display() { return *chosenDisplay; }

void chooseInteraction(bool unattended) {
    chosenQuestions = unattended ? static_cast<Questions*>(&unattendedQuestions) : &windowQuestions;
    chosenDisplay = unattended ? static_cast<Display*>(&unattendedDisplay) : &windowDisplay;
}

}  // namespace setup
