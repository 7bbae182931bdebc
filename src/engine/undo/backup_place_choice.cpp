#include "engine/undo/backup_place_choice.h"

#include <cstring>

namespace setup {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWith(const char* text, const char* start, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] == '\0' || lowerAscii(text[i]) != lowerAscii(start[i])) return false;
    return true;
}

// The length of level `level` (1: the first folder below the root) of
// `folder`, closing backslash included; 0 when it has fewer levels.
std::size_t levelLength(const char* folder, std::size_t rootLength, std::size_t level) {
    std::size_t found = 0;
    for (std::size_t i = rootLength; folder[i] != '\0'; ++i) {
        if (folder[i] != '\\') continue;
        // Doubled backslashes name no folder.
        if (i == 0 || folder[i - 1] == '\\') return 0;
        if (++found == level) return i + 1;
    }
    return 0;
}

std::size_t levelCount(const char* folder, std::size_t rootLength) {
    std::size_t count = 0;
    while (levelLength(folder, rootLength, count + 1) != 0) ++count;
    return count;
}

bool copyPlace(const char* from, std::size_t length, char* out, std::size_t size) {
    if (length >= size) return false;
    std::memcpy(out, from, length);
    out[length] = '\0';
    return true;
}

}  // namespace

bool backupPlaceAt(const char* root, const char* installDir, const char* fileFolder, std::size_t index,
                   char* out, std::size_t size) {
    const std::size_t rootLength = std::strlen(root);
    if (rootLength == 0 || root[rootLength - 1] != '\\' || size == 0) return false;
    if (index == 0) return copyPlace(root, rootLength, out, size);
    --index;
    const bool installHere = startsWith(installDir, root, rootLength);
    const std::size_t installLevels = installHere ? levelCount(installDir, rootLength) : 0;
    if (index < installLevels)
        return copyPlace(installDir, levelLength(installDir, rootLength, index + 1), out, size);
    index -= installLevels;
    if (!startsWith(fileFolder, root, rootLength)) return false;
    // The file's folders that are not folders of the install folder's way.
    const std::size_t fileLevels = levelCount(fileFolder, rootLength);
    for (std::size_t level = 1; level <= fileLevels; ++level) {
        const std::size_t length = levelLength(fileFolder, rootLength, level);
        if (installHere && startsWith(installDir, fileFolder, length)) continue;
        if (index-- == 0) return copyPlace(fileFolder, length, out, size);
    }
    return false;
}

}  // namespace setup
