// The setup program's arguments from its wide command line, spelt in the
// ANSI code page for parseSetupOptions (setup/options/command_line.h): an
// option the code page cannot hold exactly is never read as a best fit of
// it, which would be another folder, file or name. Pure code.
#ifndef SETUP_OPTIONS_WIDE_ARGUMENTS_H
#define SETUP_OPTIONS_WIDE_ARGUMENTS_H

#include <cstddef>

#include "engine/paths/system_folder_name.h"
#include "setup/options/command_line.h"

namespace setup {

// Room for the spelt arguments: every option once, each at its longest.
inline constexpr std::size_t kSpeltArgumentsSize = 4096;

// The arguments behind the program's name, as the C runtime finds them for
// WinMain: a quoted name ends at its closing quote, another at the first
// blank or control character; the blanks after it are skipped.
const WideChar* skipWideProgramName(const WideChar* commandLine);

// Spells `arguments` piece by piece as parseSetupOptions reads them (an
// option up to a blank outside quotes; "/D=" and everything after it). A
// piece the code page holds exactly is kept as it is; another only as
// "<option>=<short form>" when its value names an existing folder whose
// short form `folders` gives and the code page holds. False, with `error`
// naming the option, when a piece is neither; `out` then holds the other
// pieces, so that a "/S" or "/LOG=" among them is still seen.
bool spellSetupArguments(const WideChar* arguments, AnsiCodePage& codePage, ShortNames& folders,
                         char* out, std::size_t size, OptionError& error);

}  // namespace setup

#endif
