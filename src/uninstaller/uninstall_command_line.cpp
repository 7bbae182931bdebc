#include "uninstaller/uninstall_command_line.h"

#include <cstring>

namespace uninstaller {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

const char* skipBlanks(const char* text) {
    while (isBlank(*text)) ++text;
    return text;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `text` starts with `word` (ignoring ASCII case) followed by a
// blank or the end.
bool startsWithWord(const char* text, const char* word) {
    std::size_t i = 0;
    for (; word[i] != '\0'; ++i)
        if (foldAscii(text[i]) != foldAscii(word[i])) return false;
    return text[i] == '\0' || isBlank(text[i]);
}

// Copies the rest of the line into `out`: a quoted text without its quotes
// (nothing but blanks may follow), or the text up to its trailing blanks.
// False when it is empty or does not fit.
bool takeRest(const char* text, char (&out)[fmt::kMaxPath]) {
    text = skipBlanks(text);
    std::size_t length;
    if (*text == '"') {
        ++text;
        const char* close = std::strchr(text, '"');
        if (close == nullptr || *skipBlanks(close + 1) != '\0') return false;
        length = static_cast<std::size_t>(close - text);
    } else {
        length = std::strlen(text);
        while (length > 0 && isBlank(text[length - 1])) --length;
    }
    if (length == 0 || length >= sizeof out) return false;
    std::memcpy(out, text, length);
    out[length] = '\0';
    return true;
}

// A hexadecimal number up to the next blank; false for none or more than
// eight digits.
bool takeHex(const char*& text, std::uint32_t& value) {
    text = skipBlanks(text);
    value = 0;
    int digits = 0;
    for (; *text != '\0' && !isBlank(*text); ++text, ++digits) {
        const char c = foldAscii(*text);
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else return false;
        if (digits == 8) return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return digits > 0;
}

}  // namespace

const char* skipProgramName(const char* commandLine, const char* modulePath) {
    const char* text = skipBlanks(commandLine);
    if (*text == '"') {
        const char* close = std::strchr(text + 1, '"');
        return close != nullptr ? close + 1 : text + std::strlen(text);
    }
    const std::size_t moduleLength = std::strlen(modulePath);
    if (moduleLength > 0) {
        std::size_t i = 0;
        while (i < moduleLength && foldAscii(text[i]) == foldAscii(modulePath[i])) ++i;
        if (i == moduleLength && (text[i] == '\0' || isBlank(text[i]))) return text + i;
    }
    while (*text != '\0' && !isBlank(*text)) ++text;
    return text;
}

Command parseArguments(const char* arguments) {
    Command command;
    const char* text = skipBlanks(arguments);
    if (startsWithWord(text, "/FINISH")) {
        text += std::strlen("/FINISH");
        if (takeHex(text, command.processHandle) && takeHex(text, command.folderLevels) &&
            takeRest(text, command.imagePath)) {
            command.kind = CommandKind::finish;
        }
        return command;
    }
    if (startsWithWord(text, "/S") || startsWithWord(text, "-S")) {
        command.silent = true;
        text += 2;
    }
    if (takeRest(text, command.logPath)) command.kind = CommandKind::uninstall;
    return command;
}

}  // namespace uninstaller
