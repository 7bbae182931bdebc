#include "engine/paths/drive_root.h"

#include "base/bounded_text.h"
#include "base/process_state.h"

namespace setup {

char driveRoot[kDriveRootSize];

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

void driveRootOf(const char* path, char* dest, std::size_t size) {
    if (size == 0) return;
    dest[0] = '\0';
    if (isLetter(path[0]) && path[1] == ':') {
        const char root[] = {static_cast<char>(path[0] & ~0x20), ':', '\\', '\0'};
        copyBounded(dest, size, root);
        return;
    }
    if (path[0] != '\\' || path[1] != '\\') return;
    std::size_t length = 0, backslashes = 0;
    while (path[length] != '\0' && backslashes < 4) {
        if (path[length] == '\\') ++backslashes;
        ++length;
    }
    // Copy the first `length` characters, cut to the destination.
    const std::size_t copied = length < size ? length : size - 1;
    for (std::size_t i = 0; i < copied; ++i) dest[i] = path[i];
    dest[copied] = '\0';
    if (backslashes < 4 && copied == length) appendBounded(dest, size, "\\");
}

void getDriveRoot() { driveRootOf(installDir, driveRoot, sizeof driveRoot); }

}  // namespace setup
