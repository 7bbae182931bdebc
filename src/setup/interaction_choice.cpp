#include "setup/interaction_choice.h"

#include "engine/interaction.h"
#include "engine/unattended_interaction.h"
#include "ui/window_interaction.h"

namespace setup {

namespace {

WindowQuestions windowQuestions;
WindowDisplay windowDisplay;
WindowDisplay passiveDisplay{false};
UnattendedQuestions unattendedQuestions;
UnattendedDisplay unattendedDisplay;

Questions* chosenQuestions = &windowQuestions;
Display* chosenDisplay = &windowDisplay;

}  // namespace

Questions& questions() { return *chosenQuestions; }
Display& display() { return *chosenDisplay; }

void chooseInteraction(bool unattended, bool showsProgress) {
    chosenQuestions = unattended ? static_cast<Questions*>(&unattendedQuestions) : &windowQuestions;
    chosenDisplay = !unattended     ? static_cast<Display*>(&windowDisplay)
                    : showsProgress ? static_cast<Display*>(&passiveDisplay)
                                    : &unattendedDisplay;
}

}  // namespace setup
