#include <cstring>

#include "base/bounded_text.h"
#include "base/system_library.h"

namespace setup {

bool systemLibraryPath(char* dest, std::size_t size, const char* systemDir, const char* name) {
    if (size == 0) return false;
    dest[0] = '\0';
    const std::size_t length = std::strlen(systemDir);
    if (length == 0) return false;
    const bool separated = systemDir[length - 1] == '\\';
    if (copyBounded(dest, size, systemDir) && (separated || appendBounded(dest, size, "\\")) &&
        appendBounded(dest, size, name)) {
        return true;
    }
    dest[0] = '\0';
    return false;
}

}  // namespace setup
