// Shows the setup program's language question for the robot's scenarios:
//   language_probe INITIAL NAME...
// with a German title, prompt and captions (longer than the English ones).
// Exit code: 100 + the chosen index, 99 for a cancel, 2 for a usage error.
#include <windows.h>

#include <cstdlib>

#include "base/program_instance.h"
#include "ui/language_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    setup::programInstance = instance;
    if (__argc < 3) return 2;
    const int initial = std::atoi(__argv[1]);
    const int chosen = setup::askLanguage("Setup-Sprache", "W\xE4hlen Sie die Sprache f\xFCr die Installation:",
                                          __argv + 2, __argc - 2, initial, "OK", "Abbrechen");
    return chosen < 0 ? 99 : 100 + chosen;
}
