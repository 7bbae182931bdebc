#include "engine/removal/system_keys.h"

#include <cstring>

namespace setup {

namespace {

// Keys below "Software" that hold every program's entries rather than one
// maker's own.
constexpr const char* kSharedSoftwareKeys[] = {
    "Microsoft", "Classes", "Clients", "Policies", "RegisteredApplications", "ODBC", "Wine",
    "Wow6432Node",
};

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when the level [level, level + length) is `name`, ignoring case.
bool levelIs(const char* level, std::size_t length, const char* name) {
    if (std::strlen(name) != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (foldAscii(level[i]) != foldAscii(name[i])) return false;
    return true;
}

}  // namespace

bool isSystemRegistryKey(const char* keyPath) {
    const std::size_t length = std::strlen(keyPath);
    if (length == 0 || keyPath[0] == '\\' || keyPath[length - 1] == '\\' ||
        std::strstr(keyPath, "\\\\") != nullptr) {
        return true;
    }
    const char* firstEnd = std::strchr(keyPath, '\\');
    if (firstEnd == nullptr) return true;  // a top-level key
    if (!levelIs(keyPath, static_cast<std::size_t>(firstEnd - keyPath), "Software")) return true;
    const char* second = firstEnd + 1;
    const char* secondEnd = std::strchr(second, '\\');
    const std::size_t secondLength =
        secondEnd != nullptr ? static_cast<std::size_t>(secondEnd - second) : std::strlen(second);
    for (const char* shared : kSharedSoftwareKeys)
        if (levelIs(second, secondLength, shared)) return true;
    return false;
}

}  // namespace setup
