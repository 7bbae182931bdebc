#include "ui/text/configured_format.h"

#include "base/bounded_text.h"
#include "format/text_formats.h"

namespace setup {

void formatConfiguredText(char* dest, std::size_t size, const char* format, const char* argument) {
    if (fmt::checkFormatText(format, "s").empty())
        formatBounded(dest, size, format, argument);
    else
        copyBounded(dest, size, format);
}

}  // namespace setup
