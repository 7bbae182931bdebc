#include "uninstaller/removal/path_match.h"

#include <cstring>

#include "engine/removal/removal_limits.h"
#include "format/package_format.h"

namespace uninstaller {

namespace {

// Normalised paths may grow (a network root is kept whole), so their
// buffers hold two whole paths.
constexpr std::size_t kNormalSize = 2 * fmt::kMaxPath;

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (foldAscii(*a) != foldAscii(*b)) return false;
    return *a == *b;
}

bool normalize(const char* path, char (&out)[kNormalSize]) {
    return setup::normalizeFullPath(path, out, sizeof out);
}

// The text between `begin` and `end`, without surrounding quotes.
bool unquoted(const char* begin, const char* end, char (&out)[kNormalSize]) {
    if (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
        ++begin;
        --end;
    }
    const std::size_t length = static_cast<std::size_t>(end - begin);
    if (length >= sizeof out) return false;
    std::memcpy(out, begin, length);
    out[length] = '\0';
    return true;
}

// True when `folder` (normalised) is `path` (normalised) or holds it.
bool holdsOrIs(const char* folder, const char* path) {
    const std::size_t length = std::strlen(folder);
    for (std::size_t i = 0; i < length; ++i)
        if (foldAscii(folder[i]) != foldAscii(path[i])) return false;
    return path[length] == '\0' || path[length] == '\\' || folder[length - 1] == '\\';
}

}  // namespace

bool sameFullPath(const char* a, const char* b) {
    char first[kNormalSize], second[kNormalSize];
    return normalize(a, first) && normalize(b, second) && equalIgnoringCase(first, second);
}

bool matchesUninstallCommand(const char* commandLine, const char* program, const char* logPath) {
    for (const char* blank = std::strchr(commandLine, ' '); blank != nullptr;
         blank = std::strchr(blank + 1, ' ')) {
        char left[kNormalSize], right[kNormalSize];
        if (unquoted(commandLine, blank, left) &&
            unquoted(blank + 1, commandLine + std::strlen(commandLine), right) &&
            sameFullPath(left, program) && sameFullPath(right, logPath)) {
            return true;
        }
    }
    return false;
}

unsigned levelsBelow(const char* path, const char* folder, char* childName, std::size_t childSize) {
    char normalPath[kNormalSize], normalFolder[kNormalSize];
    if (!normalize(path, normalPath) || !normalize(folder, normalFolder)) return 0;
    const std::size_t length = std::strlen(normalFolder);
    if (!holdsOrIs(normalFolder, normalPath) || normalPath[length] == '\0') return 0;
    // A root keeps its backslash ("C:\"); below any other folder one follows.
    const char* rest = normalPath + length + (normalFolder[length - 1] == '\\' ? 0 : 1);
    unsigned levels = 1;
    for (const char* p = rest; *p != '\0'; ++p)
        if (*p == '\\') ++levels;
    const char* childEnd = std::strchr(rest, '\\');
    const std::size_t childLength =
        childEnd != nullptr ? static_cast<std::size_t>(childEnd - rest) : std::strlen(rest);
    if (childLength >= childSize) return 0;
    std::memcpy(childName, rest, childLength);
    childName[childLength] = '\0';
    return levels;
}

}  // namespace uninstaller
