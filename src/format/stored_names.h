// The one rule for the names stored in FileEntry records: what the builder
// may write, what inspect accepts and what the setup program creates. A name
// is a path relative to the destination folder, levels separated by "\".
#ifndef FORMAT_STORED_NAMES_H
#define FORMAT_STORED_NAMES_H

#include <string_view>

namespace fmt {

enum class StoredNameProblem {
    none,
    empty,
    tooLong,            // more than 259 bytes
    absolute,           // begins with "\"
    driveOrStream,      // holds a ":"
    forbiddenCharacter, // a control character, "/" or one of * ? " < > |
    emptyLevel,         // "\\" or a trailing "\"
    dotsOnlyLevel,      // ".", "..", "..." or blanks: climbs out or names nothing
    trailingDotOrBlank, // Windows drops it, so "a." and "a" are one file
    deviceName,         // CON, PRN, AUX, NUL, COM1-9, LPT1-9 with or without an extension
};

// Checks `name` against the rule; the first problem found, level by level.
StoredNameProblem checkStoredName(std::string_view name);

// What is wrong, for messages: "is empty", "holds a \":\"", ...
const char* storedNameProblemText(StoredNameProblem problem);

// True when `level` (one level, no "\") names a device Windows opens
// instead of a file: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9
// (also with the superscript digits 1, 2, 3), in any case, with or without
// an extension and trailing blanks.
bool isDeviceName(std::string_view level);

}  // namespace fmt

#endif
