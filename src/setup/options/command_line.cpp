#include "setup/options/command_line.h"

#include <cstdio>
#include <cstring>

#include "base/bounded_text.h"

namespace setup {

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsFolded(const char* a, std::size_t length, const char* word) {
    if (std::strlen(word) != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (foldAscii(a[i]) != foldAscii(word[i])) return false;
    return true;
}

bool startsFolded(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (foldAscii(*text) != foldAscii(*prefix)) return false;
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool fail(OptionError& error, const char* format, const char* detail = "") {
    error.failed = true;
    formatBounded(error.text, sizeof error.text, format, detail);
    return false;
}

// One token: up to the next blank outside quotes; the quotes are dropped.
// Returns false when it does not fit `size`.
bool readToken(const char*& p, char* out, std::size_t size) {
    std::size_t used = 0;
    bool quoted = false;
    for (; *p != '\0' && (quoted || !isBlank(*p)); ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (used + 1 >= size) return false;
        out[used++] = *p;
    }
    out[used] = '\0';
    return true;
}

bool parseShortcuts(const char* list, std::uint32_t& flags, OptionError& error) {
    flags = 0;
    for (const char* p = list;;) {
        const char* end = std::strchr(p, ',');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p);
        if (equalsFolded(p, length, "desktop")) flags |= fmt::kFlagDesktopShortcuts;
        else if (equalsFolded(p, length, "startmenu")) flags |= fmt::kFlagStartMenuShortcuts;
        else return fail(error, "/SHORTCUTS= takes desktop and startmenu, separated by commas");
        if (end == nullptr) return true;
        p = end + 1;
    }
}

}  // namespace

bool parseSetupOptions(const char* commandLine, SetupOptions& options, OptionError& error) {
    options = SetupOptions{};
    error = OptionError{};
    bool logGiven = false;
    for (const char* p = commandLine;;) {
        while (isBlank(*p)) ++p;
        if (*p == '\0') return true;
        // A program that quotes its arguments writes "/D=C:\Some Place".
        const bool quotedFolder = p[0] == '"' && startsFolded(p + 1, "/D=");
        if (startsFolded(p, "/D=") || quotedFolder) {
            // The rest of the line is the folder, blanks and all.
            const char* start = p + (quotedFolder ? 4 : 3);
            std::size_t length = std::strlen(start);
            while (length > 0 && isBlank(start[length - 1])) --length;
            if (quotedFolder) {
                if (length == 0 || start[length - 1] != '"')
                    return fail(error, "the quoted /D= option has no closing quote");
                --length;
            } else if (length >= 2 && start[0] == '"' && start[length - 1] == '"') {
                ++start;
                length -= 2;
            }
            if (length == 0) return fail(error, "/D= needs a folder");
            if (length >= sizeof options.folder) return fail(error, "the folder of /D= is too long");
            std::memcpy(options.folder, start, length);
            options.folder[length] = '\0';
            return true;
        }
        char token[kComponentListSize + 16];
        if (!readToken(p, token, sizeof token)) return fail(error, "an option is too long");
        const char* value = std::strchr(token, '=');
        const std::size_t nameLength = value != nullptr ? static_cast<std::size_t>(value - token)
                                                         : std::strlen(token);
        if (value != nullptr) ++value;
        auto is = [&](const char* name) { return equalsFolded(token, nameLength, name); };
        auto needsValue = [&]() { return value != nullptr && *value != '\0'; };

        if (is("/S") && value == nullptr) {
            if (options.unattended) return fail(error, "/S is given twice");
            options.unattended = true;
        } else if (is("/PASSIVE") && value == nullptr) {
            if (options.passive) return fail(error, "/PASSIVE is given twice");
            options.passive = true;
        } else if ((is("/?") || is("/HELP")) && value == nullptr) {
            options.help = true;
        } else if (is("/TYPE")) {
            if (options.type != 0) return fail(error, "/TYPE= is given twice");
            if (!needsValue() || value[1] != '\0' || value[0] < '1' || value[0] > '3')
                return fail(error, "/TYPE= takes 1, 2 or 3");
            options.type = value[0] - '0';
        } else if (is("/COMPONENTS")) {
            if (options.componentsGiven) return fail(error, "/COMPONENTS= is given twice");
            if (!needsValue()) return fail(error, "/COMPONENTS= needs component names");
            if (!copyBounded(options.components, value)) return fail(error, "/COMPONENTS= is too long");
            options.componentsGiven = true;
        } else if (is("/SHORTCUTS")) {
            if (options.shortcutsGiven) return fail(error, "the shortcuts are given twice");
            if (!needsValue()) return fail(error, "/SHORTCUTS= takes desktop and startmenu, separated by commas");
            if (!parseShortcuts(value, options.shortcutFlags, error)) return false;
            options.shortcutsGiven = true;
        } else if (is("/NOSHORTCUTS") && value == nullptr) {
            if (options.shortcutsGiven) return fail(error, "the shortcuts are given twice");
            options.shortcutsGiven = true;
            options.shortcutFlags = 0;
        } else if (is("/REPLACEATRESTART") && value == nullptr) {
            if (options.replaceAtRestart) return fail(error, "/REPLACEATRESTART is given twice");
            options.replaceAtRestart = true;
        } else if (is("/LANG")) {
            if (options.language[0] != '\0') return fail(error, "/LANG= is given twice");
            if (!needsValue()) return fail(error, "/LANG= needs a language code");
            if (!copyBounded(options.language, value)) return fail(error, "the code of /LANG= is too long");
        } else if (is("/LOG")) {
            if (logGiven) return fail(error, "/LOG= is given twice");
            if (!needsValue()) return fail(error, "/LOG= needs a file");
            if (!copyBounded(options.logPath, value)) return fail(error, "the file of /LOG= is too long");
            logGiven = true;
        } else {
            char shown[64];
            copyBounded(shown, token);
            return fail(error, "unknown option \"%s\" (/? lists the options)", shown);
        }
        if (options.type != 0 && options.componentsGiven)
            return fail(error, "/TYPE= and /COMPONENTS= cannot be given together");
        if (options.unattended && options.passive)
            return fail(error, "/S and /PASSIVE cannot be given together");
    }
}

bool asksUnattended(const char* commandLine) {
    for (const char* p = commandLine; *p != '\0';) {
        while (isBlank(*p)) ++p;
        if (startsFolded(p, "/D=") || startsFolded(p, "\"/D=")) return false;  // the rest is a folder
        const char* start = p;
        while (*p != '\0' && !isBlank(*p)) ++p;
        const std::size_t length = static_cast<std::size_t>(p - start);
        if (equalsFolded(start, length, "/S") || equalsFolded(start, length, "/PASSIVE")) return true;
    }
    return false;
}

bool findLogOption(const char* commandLine, char* path, std::size_t size) {
    if (size != 0) path[0] = '\0';
    for (const char* p = commandLine;;) {
        while (isBlank(*p)) ++p;
        if (*p == '\0' || startsFolded(p, "/D=") || startsFolded(p, "\"/D=")) return false;
        char token[kComponentListSize + 16];
        if (!readToken(p, token, sizeof token)) {
            while (*p != '\0' && !isBlank(*p)) ++p;  // too long to be read: passed over
            continue;
        }
        if (startsFolded(token, "/LOG=") && token[5] != '\0') return copyBounded(path, size, token + 5);
    }
}

bool componentMaskFromNames(const char* list, const char* const* names, std::uint32_t count,
                            std::uint32_t& mask, OptionError& error) {
    mask = 0;
    for (const char* p = list;;) {
        while (isBlank(*p)) ++p;
        const char* end = std::strchr(p, ',');
        std::size_t length = end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p);
        while (length > 0 && isBlank(p[length - 1])) --length;
        std::uint32_t i = 0;
        while (i < count && !equalsFolded(p, length, names[i])) ++i;
        if (i == count || length == 0) {
            char name[64] = {};
            std::memcpy(name, p, length < sizeof name - 1 ? length : sizeof name - 1);
            return fail(error, "no component is named \"%s\"", name);
        }
        mask |= 1u << i;
        if (end == nullptr) return true;
        p = end + 1;
    }
}

const char* setupOptionsHelp() {
    // A message box wraps and spaces in its proportional font: each option
    // on a line of its own, what it does indented below it, no tabs.
    return "Options:\n\n"
           "/S\n    install with no window and no question\n"
           "/PASSIVE\n    as /S, showing the progress\n"
           "/D=folder\n    install into this folder (last on the line)\n"
           "/COMPONENTS=name,name\n    install these components\n"
           "/TYPE=1|2|3\n    install the components of a setup type\n"
           "/SHORTCUTS=desktop,startmenu\n    make these shortcuts\n"
           "/NOSHORTCUTS\n    make none of the product's shortcuts\n"
           "/LANG=code\n    speak this language (de, fr, ...)\n"
           "/LOG=file\n    write a log of the run\n"
           "/REPLACEATRESTART\n    with /S: replace files in use at restart\n"
           "/?\n    show this list";
}

}  // namespace setup
