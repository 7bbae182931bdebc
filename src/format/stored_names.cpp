#include "format/stored_names.h"

#include "format/package_format.h"

namespace fmt {

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsUpper(std::string_view text, std::string_view upperWord) {
    if (text.size() != upperWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upper(text[i]) != upperWord[i]) return false;
    return true;
}

bool isForbidden(unsigned char c) {
    return c < 0x20 || c == '/' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
}

StoredNameProblem checkLevel(std::string_view level) {
    if (level.empty()) return StoredNameProblem::emptyLevel;
    bool onlyDotsAndBlanks = true;
    for (char c : level)
        if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
    if (onlyDotsAndBlanks) return StoredNameProblem::dotsOnlyLevel;
    if (level.back() == '.' || level.back() == ' ') return StoredNameProblem::trailingDotOrBlank;
    if (isDeviceName(level)) return StoredNameProblem::deviceName;
    return StoredNameProblem::none;
}

}  // namespace

bool isDeviceName(std::string_view level) {
    // The device part ends at the first dot; blanks before it do not count.
    std::string_view base = level.substr(0, level.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (equalsUpper(base, device)) return true;
    if (base.size() != 4) return false;
    if (!equalsUpper(base.substr(0, 3), "COM") && !equalsUpper(base.substr(0, 3), "LPT")) return false;
    const unsigned char digit = static_cast<unsigned char>(base[3]);
    // 0xB9, 0xB2 and 0xB3 are the superscript one, two and three of the
    // Western code page, which Windows also reads as port numbers.
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

StoredNameProblem checkStoredName(std::string_view name) {
    if (name.empty()) return StoredNameProblem::empty;
    if (name.size() > kMaxNameLength) return StoredNameProblem::tooLong;
    if (name.front() == '\\') return StoredNameProblem::absolute;
    for (char c : name) {
        if (c == ':') return StoredNameProblem::driveOrStream;
        if (isForbidden(static_cast<unsigned char>(c))) return StoredNameProblem::forbiddenCharacter;
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = name.find('\\', start);
        const StoredNameProblem problem = checkLevel(name.substr(start, end - start));
        if (problem != StoredNameProblem::none) return problem;
        if (end == std::string_view::npos) return StoredNameProblem::none;
        start = end + 1;
    }
}

const char* storedNameProblemText(StoredNameProblem problem) {
    switch (problem) {
    case StoredNameProblem::none: return "is sound";
    case StoredNameProblem::empty: return "is empty";
    case StoredNameProblem::tooLong: return "is longer than 259 bytes";
    case StoredNameProblem::absolute: return "is absolute";
    case StoredNameProblem::driveOrStream: return "holds a drive or a \":\"";
    case StoredNameProblem::forbiddenCharacter:
        return "holds a character Windows does not allow in file names (control characters, / * ? \" < > |)";
    case StoredNameProblem::emptyLevel: return "has an empty folder level";
    case StoredNameProblem::dotsOnlyLevel:
        return "climbs out of the install folder or names nothing (a level of dots or blanks only, such as \"..\")";
    case StoredNameProblem::trailingDotOrBlank:
        return "has a level ending in a dot or a blank, which Windows drops";
    case StoredNameProblem::deviceName: return "names a device (CON, NUL, COM1, LPT1, ...), not a file";
    }
    return "is not a valid name";
}

}  // namespace fmt
