#include "engine/removal/removal_limits.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "format/stored_names.h"

namespace setup {

namespace {

constexpr std::size_t kPathSize = fmt::kMaxPath * 2;

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isForbidden(unsigned char c) {
    return c < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' || c == ':';
}

// Appends one level to `out` (used bytes in `used`), applying "." and "..".
// `rootLength` bytes of `out` are the root, which ".." may not climb above.
// Windows drops trailing dots and blanks of the last level only (`last`: no
// separator follows it); a level a separator follows loses one closing dot
// at most ("a.\" is "a\"), so "a. \" and "a..\" name other folders than "a\".
bool appendLevel(const char* level, std::size_t length, bool last, char* out, std::size_t size,
                 std::size_t& used, std::size_t rootLength) {
    bool onlyDotsAndBlanks = true;
    for (std::size_t i = 0; i < length; ++i)
        if (level[i] != '.' && level[i] != ' ') onlyDotsAndBlanks = false;
    if (onlyDotsAndBlanks) {
        // "." and ".." alone; any other mix of dots and blanks ("...", ". ",
        // ".. ") is refused rather than guessed.
        if (length > 2 || (length > 0 && (level[0] != '.' || level[length - 1] != '.'))) return false;
    } else if (last) {
        while (length > 0 && (level[length - 1] == '.' || level[length - 1] == ' ')) --length;
    } else if (level[length - 1] == '.' && level[length - 2] != '.') {
        --length;  // not only dots: there is a character before the dot
    }
    if (length == 0) return true;
    if (length == 1 && level[0] == '.') return true;
    if (length == 2 && level[0] == '.' && level[1] == '.') {
        if (used <= rootLength) return false;  // above the root
        std::size_t cut = used - 1;            // strip "\level"
        while (cut > rootLength && out[cut - 1] != '\\') --cut;
        used = cut > rootLength ? cut - 1 : rootLength;
        out[used] = '\0';
        return true;
    }
    if (fmt::isDeviceName(std::string_view(level, length))) return false;
    const bool needsSeparator = used > rootLength || out[used - 1] != '\\';
    if (used + (needsSeparator ? 1 : 0) + length + 1 > size) return false;
    if (needsSeparator) out[used++] = '\\';
    std::memcpy(out + used, level, length);
    used += length;
    out[used] = '\0';
    return true;
}

// True when `path` equals `folder` or lies inside it (both normalised).
bool isInside(const char* path, const char* folder, bool strictly) {
    const std::size_t length = std::strlen(folder);
    if (length == 0) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (foldAscii(path[i]) != foldAscii(folder[i])) return false;
    if (path[length] == '\0') return !strictly;
    // A root ends with its own backslash ("C:\"); any other folder needs one.
    return folder[length - 1] == '\\' || path[length] == '\\';
}

// Length of the root of a normalised path: "X:\" or "\\server\share".
std::size_t rootLengthOf(const char* path) {
    if (path[1] == ':') return 3;
    const char* server = std::strchr(path + 2, '\\');
    const char* share = server != nullptr ? std::strchr(server + 1, '\\') : nullptr;
    return share != nullptr ? static_cast<std::size_t>(share - path) : std::strlen(path);
}

// True when the path ends in ".lnk", in any case.
bool isShortcutName(const char* path) {
    const std::size_t length = std::strlen(path);
    if (length < 4) return false;
    const char* tail = path + length - 4;
    return tail[0] == '.' && foldAscii(tail[1]) == 'l' && foldAscii(tail[2]) == 'n' &&
           foldAscii(tail[3]) == 'k';
}

// True when `text` names a place and its normalised form goes to `out`.
bool normalizedPlace(const char* text, char (&out)[kPathSize]) {
    return text != nullptr && text[0] != '\0' && normalizeFullPath(text, out, sizeof out);
}

// True when the normalised folder `entry` is one of the install folder's
// parents that an installation may have made on the way to it: below the
// root, below the Program Files folder when the install folder lies there,
// and neither the Windows folder nor a folder that holds it or a shell
// folder.
bool isRemovableParent(const char* entry, const RemovalLimits& limits) {
    char install[kPathSize], place[kPathSize];
    if (!normalizedPlace(limits.installFolder, install)) return false;
    if (std::strlen(entry) <= rootLengthOf(entry) || !isInside(install, entry, true)) return false;
    if (normalizedPlace(limits.programFilesFolder, place) && isInside(install, place, true) &&
        !isInside(entry, place, true))
        return false;
    for (const char* held : {limits.windowsFolder, limits.desktopFolder, limits.programsFolder}) {
        if (normalizedPlace(held, place) && (isInside(place, entry, false) || isInside(entry, place, false)))
            return false;
    }
    return true;
}

}  // namespace

bool normalizeFullPath(const char* path, char* out, std::size_t size) {
    if (size < 4) return false;
    std::size_t used = 0;
    const char* rest = nullptr;
    if (isLetter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) {
        out[0] = path[0];
        out[1] = ':';
        out[2] = '\\';
        used = 3;
        rest = path + 3;
    } else if ((path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
        // "\\server\share": both named, neither "." nor "?" (the device namespaces).
        const char* server = path + 2;
        const char* serverEnd = server;
        while (*serverEnd != '\0' && *serverEnd != '\\' && *serverEnd != '/') ++serverEnd;
        if (serverEnd == server || *serverEnd == '\0') return false;
        if (serverEnd - server == 1 && (server[0] == '.' || server[0] == '?')) return false;
        const char* share = serverEnd + 1;
        const char* shareEnd = share;
        while (*shareEnd != '\0' && *shareEnd != '\\' && *shareEnd != '/') ++shareEnd;
        if (shareEnd == share) return false;
        const std::size_t rootLength = static_cast<std::size_t>(shareEnd - path);
        if (rootLength + 1 > size) return false;
        out[0] = out[1] = '\\';
        for (std::size_t i = 2; i < rootLength; ++i) out[i] = path[i] == '/' ? '\\' : path[i];
        used = rootLength;
        rest = shareEnd;
    } else {
        return false;
    }
    out[used] = '\0';
    for (const char* p = rest; *p != '\0'; ++p)
        if (isForbidden(static_cast<unsigned char>(*p))) return false;
    for (const char* p = path + 2; p < rest; ++p)
        if (isForbidden(static_cast<unsigned char>(*p))) return false;

    const std::size_t rootLength = used;
    const char* level = rest;
    for (const char* p = rest;; ++p) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            if (!appendLevel(level, static_cast<std::size_t>(p - level), *p == '\0', out, size, used,
                             rootLength))
                return false;
            if (*p == '\0') return true;
            level = p + 1;
        }
    }
}

bool isWithinRemovalLimits(fmt::u8 kind, const char* path, const RemovalLimits& limits) {
    if (kind != fmt::kLogFile && kind != fmt::kLogFolder) return true;
    char entry[kPathSize];
    if (!normalizeFullPath(path, entry, sizeof entry)) return false;

    const bool strictly = kind == fmt::kLogFile;
    for (const char* folder : {limits.installFolder, limits.desktopFolder, limits.programsFolder}) {
        char normalized[kPathSize];
        if (folder == nullptr || folder[0] == '\0') continue;
        if (!normalizeFullPath(folder, normalized, sizeof normalized)) continue;
        const bool shellFolder = folder != limits.installFolder;
        // A shell folder is never removed itself, only what lies inside it.
        const bool strict = strictly || shellFolder;
        if (!isInside(entry, normalized, strict)) continue;
        if (shellFolder && strictly && limits.onlyShortcutsInShellFolders && !isShortcutName(entry))
            continue;
        return true;
    }
    return kind == fmt::kLogFolder && isRemovableParent(entry, limits);
}

DiskLogVerdict checkDiskLog(const fmt::u8* bytes, std::size_t size, const RemovalLimits& limits,
                            LogItem* items, std::size_t capacity) {
    if (checkLog(bytes, size, LogOrigin::disk) != LogCheck::ok) return DiskLogVerdict::corrupt;
    const std::size_t files = collectLogEntries(bytes, fmt::kLogFile, items, capacity);
    const std::size_t folders = collectLogEntries(bytes, fmt::kLogFolder, items + files, capacity - files);
    for (std::size_t i = 0; i < files + folders; ++i)
        if (!isWithinRemovalLimits(items[i].kind, items[i].text, limits)) return DiskLogVerdict::outsideLimits;

    char shell[2][kPathSize];
    const bool named[2] = {normalizedPlace(limits.desktopFolder, shell[0]),
                           normalizedPlace(limits.programsFolder, shell[1])};
    for (std::size_t i = files; i < files + folders; ++i) {
        char folder[kPathSize];
        if (!normalizeFullPath(items[i].text, folder, sizeof folder)) return DiskLogVerdict::outsideLimits;
        if (!(named[0] && isInside(folder, shell[0], true)) && !(named[1] && isInside(folder, shell[1], true)))
            continue;
        bool holdsANamedFile = false;
        for (std::size_t f = 0; f < files && !holdsANamedFile; ++f) {
            char file[kPathSize];
            holdsANamedFile = normalizeFullPath(items[f].text, file, sizeof file) && isInside(file, folder, true);
        }
        if (!holdsANamedFile) return DiskLogVerdict::outsideLimits;
    }
    return DiskLogVerdict::ok;
}

bool isUsableInstallFolder(const char* folder, const char* windowsFolder, const char* systemFolder) {
    char normal[kPathSize];
    if (!normalizeFullPath(folder, normal, sizeof normal)) return false;
    // Any drive's root ("D:\") or a share's ("\\server\share").
    if (std::strlen(normal) <= rootLengthOf(normal)) return false;
    for (const char* system : {windowsFolder, systemFolder}) {
        char normalSystem[kPathSize];
        if (normalizedPlace(system, normalSystem) && isInside(normalSystem, normal, false)) return false;
    }
    return true;
}

}  // namespace setup
