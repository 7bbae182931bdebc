// The setup program's command-line options, Windows style and without
// regard to case:
//   /S                         unattended: no window, the outcome in the exit code
//   /PASSIVE                   answered as /S, with the progress windows shown
//   /D=<folder>                the destination; last on the line, may hold blanks
//   /COMPONENTS=<name>,<name>  the components to install, by name
//   /TYPE=1|2|3                the setup type presets of the wizard
//   /SHORTCUTS=desktop,startmenu or /NOSHORTCUTS
//   /LANG=<code>               the language of the run's texts, by its code ("de")
//   /LOG=<file>                a plain text log of the run ("..." for blanks)
//   /REPLACEATRESTART          unattended: files in use are replaced at the next restart
//   /?                         the options in a message box
// A run without options behaves as the program always has. Pure code.
#ifndef SETUP_OPTIONS_COMMAND_LINE_H
#define SETUP_OPTIONS_COMMAND_LINE_H

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

inline constexpr std::size_t kComponentListSize = 1024;

struct SetupOptions {
    bool unattended = false;                  // /S
    bool passive = false;                     // /PASSIVE
    bool help = false;
    char folder[fmt::kMaxPath] = {};          // /D=, as given; empty: the default
    int type = 0;                             // /TYPE=, 1 to 3; 0: not given
    char components[kComponentListSize] = {}; // /COMPONENTS=, as given
    bool componentsGiven = false;
    bool shortcutsGiven = false;              // /SHORTCUTS= or /NOSHORTCUTS
    std::uint32_t shortcutFlags = 0;          // kFlagDesktopShortcuts | kFlagStartMenuShortcuts
    char logPath[fmt::kMaxPath] = {};         // /LOG=; empty: no log
    bool replaceAtRestart = false;            // /REPLACEATRESTART
    char language[16] = {};                   // /LANG=, as given; empty: chosen by the system
};

struct OptionError {
    bool failed = false;
    char text[160] = {};  // what is wrong, for the log and the message box
};

// Reads the command line that follows the program's name. Fills `options`
// and returns true, or returns false with `error` saying what is wrong
// (an unknown option, a value missing or too long, an option given twice,
// /TYPE with /COMPONENTS, /SHORTCUTS with /NOSHORTCUTS, /S with /PASSIVE, a
// bad type or shortcut name, text after /D=... that cannot be part of it).
bool parseSetupOptions(const char* commandLine, SetupOptions& options, OptionError& error);

// True when the line holds a "/S" or "/PASSIVE" option, readable or not: a
// line that cannot be read still says whether a user is there to be asked.
bool asksUnattended(const char* commandLine);

// The file of the first /LOG= option on a line that parseSetupOptions
// refused, so that the log tells what was wrong: false when the line names
// none, or one that does not fit `size` bytes.
bool findLogOption(const char* commandLine, char* path, std::size_t size);

// The selection mask of a /COMPONENTS= list: each comma-separated name
// (blanks around it ignored, case ignored) must name one of `count`
// components. False with `error` naming the first unknown name.
bool componentMaskFromNames(const char* list, const char* const* names, std::uint32_t count,
                            std::uint32_t& mask, OptionError& error);

// The text /? shows.
const char* setupOptionsHelp();

}  // namespace setup

#endif
