// The engine's questions and display in the uninstaller, which runs the
// setup program's undo of a killed setup (uninstaller/interrupted_setup.h):
// the undo asks nothing and shows nothing there, and the uninstaller says
// what came of it in its own words. Part of the program only, so that a
// test program can bring its own.
#include "engine/unattended_interaction.h"

namespace setup {

Questions& questions() {
    static UnattendedQuestions unattended;
    return unattended;
}

Display& display() {
    static UnattendedDisplay unattended;
    return unattended;
}

}  // namespace setup
