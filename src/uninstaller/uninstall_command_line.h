// The uninstaller's command line: "[/S] <log path>", as the uninstall entry
// and the uninstaller's shortcut give it (neither quotes the paths), and the
// internal "/FINISH" form of the copy that removes the uninstaller's own
// file once it has ended. Pure code.
#ifndef UNINSTALLER_UNINSTALL_COMMAND_LINE_H
#define UNINSTALLER_UNINSTALL_COMMAND_LINE_H

#include <cstdint>

#include "engine/paths/system_folder_name.h"
#include "format/package_format.h"

namespace uninstaller {

enum class CommandKind {
    uninstall,  // remove the product the log names
    finish,     // the temporary copy: remove the original's file and folders
    invalid,    // no log path, or a text that does not fit
};

struct Command {
    CommandKind kind = CommandKind::invalid;
    bool silent = false;                    // "/S": no question, no window
    char logPath[fmt::kMaxPath] = {};       // uninstall
    std::uint32_t processHandle = 0;        // finish: the original process, inherited
    std::uint32_t folderLevels = 0;         // finish: folders above the image to remove
    char imagePath[fmt::kMaxPath] = {};     // finish: the original's file
};

// The arguments behind the program's own name. The name is quoted, or is
// the module's own path (which the uninstall entry gives unquoted, blanks
// and all), or else ends at the first blank.
const char* skipProgramName(const char* commandLine, const char* modulePath);
// The same in the wide command line, with the module's wide path.
const setup::WideChar* skipProgramName(const setup::WideChar* commandLine,
                                       const setup::WideChar* modulePath);

// The wide arguments spelt in the code page for parseArguments
// (engine/paths/system_folder_name.h): exactly; or, where the code page
// cannot hold the log's path, "[/S ]<short form>" of the existing log
// (`items`). False, with `out` empty, when neither: a best fit of the path
// would name another file.
bool spellArguments(const setup::WideChar* arguments, setup::AnsiCodePage& codePage,
                    setup::ShortNames& items, char* out, std::size_t size);

// Parses the arguments: "[/S] <log path>" (the path may be quoted; the
// switch is "/S" or "-S" in either case) or "/FINISH <handle> <levels>
// <image path>" (handle and levels in hexadecimal).
Command parseArguments(const char* arguments);

}  // namespace uninstaller

#endif
