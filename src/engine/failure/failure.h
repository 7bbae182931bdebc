// Fatal failures and the ways out of the process. Every fatal failure is
// raised as a pointer to the static xInstall object of its code and handled
// in one place, handleInstallFailure, which never returns.
#ifndef ENGINE_FAILURE_FAILURE_H
#define ENGINE_FAILURE_FAILURE_H

#include <cstdint>

#include "base/install_error.h"

namespace setup {

// The one handler: closes an open output file, shows string-table text 2
// (before the configuration is loaded) or the configured message of the
// code, rolls back what this run made, and ends the process with the code
// through exitSetup. Sets endingRun first: nothing it calls raises, and a
// failure raised while it runs never replaces the first one's code.
[[noreturn]] void handleInstallFailure(xInstall* error);

// Formats printf-style into a 500-byte buffer (a longer text is cut) and
// shows it as an error message (engine/interaction.h), captioned with the
// configured error title, or the system's default caption before loading.
void showError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The system's text for an error number in a 510-byte static buffer, kept
// unchanged when the system has no text for the number (empty at first).
const char* systemErrorText(std::uint32_t number);

// Closes the run's log, deletes the pictures' temporary files
// (engine/extract/picture_files.h), closes the program file and ends the
// process with code.
[[noreturn]] void exitSetup(std::uint32_t code);

}  // namespace setup

#endif
