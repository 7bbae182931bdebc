#include "engine/paths/install_path.h"

#include <cstring>

namespace setup {

namespace {

bool isForbidden(char c) {
    return c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

InstallPathProblem checkInstallPath(char* text, std::size_t size, bool (*driveExists)(char)) {
    const std::size_t length = strnlen(text, size);
    if (length == 0) return InstallPathProblem::empty;
    if (length > kMaxTypedPathLength) return InstallPathProblem::tooLong;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '/') text[i] = '\\';
        if (isForbidden(text[i])) return InstallPathProblem::badChars;
        if (text[i] == ':' && (i != 1 || !isLetter(text[0]) || !driveExists(text[0])))
            return InstallPathProblem::badDrive;
    }
    if (text[length - 1] != '\\') {
        if (length + 2 > size) return InstallPathProblem::tooLong;
        text[length] = '\\';
        text[length + 1] = '\0';
    }
    return InstallPathProblem::none;
}

bool isAbsoluteInstallPath(const char* text) {
    if (isLetter(text[0]) && text[1] == ':' && text[2] == '\\') return true;
    if (text[0] != '\\' || text[1] != '\\') return false;
    const char* serverEnd = std::strchr(text + 2, '\\');
    return serverEnd != nullptr && serverEnd > text + 2 && serverEnd[1] != '\0' && serverEnd[1] != '\\';
}

}  // namespace setup
