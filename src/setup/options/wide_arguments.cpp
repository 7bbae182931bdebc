#include "setup/options/wide_arguments.h"

#include <cstring>

#include "base/bounded_text.h"

namespace setup {

namespace {

bool isBlank(WideChar c) { return c == u' ' || c == u'\t'; }

WideChar foldAscii(WideChar c) { return (c >= u'A' && c <= u'Z') ? static_cast<WideChar>(c - u'A' + u'a') : c; }

bool startsFolded(const WideChar* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (foldAscii(*text) != static_cast<WideChar>(*prefix)) return false;
    return true;
}

// The end of the piece that starts at `p`, as parseSetupOptions splits.
const WideChar* pieceEnd(const WideChar* p) {
    if (startsFolded(p, "/d=") || (p[0] == u'"' && startsFolded(p + 1, "/d="))) return p + wideLength(p);
    bool quoted = false;
    for (; *p != 0 && (quoted || !isBlank(*p)); ++p)
        if (*p == u'"') quoted = !quoted;
    return p;
}

// "<option>=<short form>" for a piece whose value names an existing
// folder; false otherwise. The option's name is spelt into `name` either way
// (empty when it cannot be), for the message.
bool spellFolderValue(const WideChar* begin, const WideChar* end, AnsiCodePage& codePage,
                      ShortNames& folders, char* out, std::size_t size, char (&name)[32]) {
    name[0] = '\0';
    if (*begin == u'"') ++begin;  // "/D=C:\Some Place"
    const WideChar* equals = begin;
    while (equals < end && *equals != u'=') ++equals;
    if (equals == end) return false;
    spellExactly(begin, static_cast<std::size_t>(equals - begin), codePage, name, sizeof name);
    const WideChar* value = equals + 1;
    while (end > value && isBlank(end[-1])) --end;
    if (end > value && end[-1] == u'"') --end;
    if (end > value && *value == u'"') ++value;
    const std::size_t length = static_cast<std::size_t>(end - value);
    if (name[0] == '\0' || length == 0 || length >= kWidePathSize) return false;
    WideChar folder[kWidePathSize];
    std::memcpy(folder, value, length * sizeof(WideChar));
    folder[length] = 0;
    WideChar shortForm[kWidePathSize];
    char spelt[fmt::kMaxPath];
    return folders.shortForm(folder, shortForm, kWidePathSize) &&
           spellExactly(shortForm, wideLength(shortForm), codePage, spelt, sizeof spelt) &&
           formatBounded(out, size, "%s=%s", name, spelt);
}

}  // namespace

const WideChar* skipWideProgramName(const WideChar* commandLine) {
    const WideChar* p = commandLine;
    if (*p == u'"') {
        ++p;
        while (*p != 0 && *p != u'"') ++p;
        if (*p == u'"') ++p;
    } else {
        while (*p > u' ') ++p;
    }
    while (*p != 0 && *p <= u' ') ++p;
    return p;
}

bool spellSetupArguments(const WideChar* arguments, AnsiCodePage& codePage, ShortNames& folders,
                         char* out, std::size_t size, OptionError& error) {
    error = OptionError{};
    if (size == 0) return false;
    out[0] = '\0';
    for (const WideChar* p = arguments;;) {
        while (isBlank(*p)) ++p;
        if (*p == 0) return !error.failed;
        const WideChar* end = pieceEnd(p);
        char piece[kSpeltArgumentsSize];
        char name[32];
        const bool spelt =
            spellExactly(p, static_cast<std::size_t>(end - p), codePage, piece, sizeof piece) ||
            spellFolderValue(p, end, codePage, folders, piece, sizeof piece, name);
        p = end;
        if (!spelt) {
            if (!error.failed) {
                error.failed = true;
                formatBounded(error.text, sizeof error.text,
                              "%s holds a character that this system's code page cannot spell, "
                              "and names no folder with a short name",
                              name[0] != '\0' ? name : "an option");
            }
            continue;
        }
        if (!appendBounded(out, size, piece) || !appendBounded(out, size, " ")) {
            out[0] = '\0';
            error.failed = true;
            copyBounded(error.text, "the command line is too long");
            return false;
        }
    }
}

}  // namespace setup
