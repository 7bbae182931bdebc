// The configured texts that the setup program formats printf-style, and the
// arguments it passes to each. A text that asks for more, or for other kinds,
// would make the program read arguments it never passed: the builder refuses it.
#ifndef FORMAT_TEXT_FORMATS_H
#define FORMAT_TEXT_FORMATS_H

#include <string>

#include "format/package_format.h"

namespace fmt {

// The arguments the program passes when it formats the text of the slot at
// `offset`, one letter each ('s' a text, 'd' a number), in order: "" for a
// format given no arguments, nullptr for a text never used as a format.
const char* formatArguments(u32 offset);

// Checks `text` against the arguments: every conversion is "%s" or "%d" (flags,
// width and precision allowed) matching the argument at its position, and
// there are no more conversions than arguments; "%%" stands for itself.
// Returns what is wrong, or an empty string.
std::string checkFormatText(const std::string& text, const char* arguments);

}  // namespace fmt

#endif
