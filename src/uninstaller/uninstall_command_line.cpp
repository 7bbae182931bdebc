#include "uninstaller/uninstall_command_line.h"

#include <cstring>

#include "base/bounded_text.h"

namespace uninstaller {

namespace {

template <typename Char>
bool isBlank(Char c) { return c == ' ' || c == '\t'; }

template <typename Char>
const Char* skipBlanks(const Char* text) {
    while (isBlank(*text)) ++text;
    return text;
}

template <typename Char>
Char foldAscii(Char c) { return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c; }

template <typename Char>
std::size_t lengthOf(const Char* text) {
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

template <typename Char>
const Char* skipName(const Char* commandLine, const Char* modulePath) {
    const Char* text = skipBlanks(commandLine);
    if (*text == '"') {
        const Char* close = text + 1;
        while (*close != 0 && *close != '"') ++close;
        return *close != 0 ? close + 1 : close;
    }
    const std::size_t moduleLength = lengthOf(modulePath);
    if (moduleLength > 0) {
        std::size_t i = 0;
        while (i < moduleLength && foldAscii(text[i]) == foldAscii(modulePath[i])) ++i;
        if (i == moduleLength && (text[i] == 0 || isBlank(text[i]))) return text + i;
    }
    while (*text != 0 && !isBlank(*text)) ++text;
    return text;
}

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
    return skipName(commandLine, modulePath);
}

const setup::WideChar* skipProgramName(const setup::WideChar* commandLine,
                                       const setup::WideChar* modulePath) {
    return skipName(commandLine, modulePath);
}

bool spellArguments(const setup::WideChar* arguments, setup::AnsiCodePage& codePage,
                    setup::ShortNames& items, char* out, std::size_t size) {
    arguments = skipBlanks(arguments);
    if (setup::spellExactly(arguments, lengthOf(arguments), codePage, out, size)) return true;
    // Only the log's path can be spelt another way: by its short form.
    const setup::WideChar* text = arguments;
    const bool silent = (text[0] == '/' || text[0] == '-') && foldAscii(text[1]) == 's' && isBlank(text[2]);
    if (silent) text = skipBlanks(text + 2);
    std::size_t length = lengthOf(text);
    while (length > 0 && isBlank(text[length - 1])) --length;
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        ++text;
        length -= 2;
    }
    setup::WideChar path[setup::kWidePathSize], shortForm[setup::kWidePathSize];
    char spelt[fmt::kMaxPath];
    if (size == 0) return false;
    out[0] = '\0';
    if (length == 0 || length >= setup::kWidePathSize) return false;
    std::memcpy(path, text, length * sizeof(setup::WideChar));
    path[length] = 0;
    if (!items.shortForm(path, shortForm, setup::kWidePathSize) ||
        !setup::spellExactly(shortForm, lengthOf(shortForm), codePage, spelt, sizeof spelt))
        return false;
    if (setup::copyBounded(out, size, silent ? "/S " : "") && setup::appendBounded(out, size, spelt))
        return true;
    out[0] = '\0';
    return false;
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
