// Configured texts that quote one text, such as "The directory '%s' does not
// exist": the builder checks their conversions, and a record that was not
// made by it still never makes the program read an argument it did not pass.
#ifndef UI_TEXT_CONFIGURED_FORMAT_H
#define UI_TEXT_CONFIGURED_FORMAT_H

#include <cstddef>

namespace setup {

// `format` with `argument` for its one "%s" into dest (cut at its end); a
// format that asks for anything else is copied as it stands.
void formatConfiguredText(char* dest, std::size_t size, const char* format, const char* argument);

}  // namespace setup

#endif
