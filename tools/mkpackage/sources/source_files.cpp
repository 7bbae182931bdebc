#include "sources/source_files.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <system_error>

#include "common/path_text.h"
#include "format/stored_names.h"
#include "sources/file_facts.h"
#include "sources/file_time.h"

namespace mkpackage {

namespace fs = std::filesystem;

bool checkStoredName(const std::string& name, std::string& problem) {
    const fmt::StoredNameProblem found = fmt::checkStoredName(name);
    if (found == fmt::StoredNameProblem::none) return true;
    problem = found == fmt::StoredNameProblem::tooLong
                  ? "is " + std::to_string(name.size()) + " bytes, longer than " + std::to_string(fmt::kMaxNameLength)
                  : fmt::storedNameProblemText(found);
    return false;
}

bool sameStoredName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

namespace {

// The upper-case partner of a code point, within the Windows-1252 letters.
char32_t upperWestern(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    switch (c) {
        case 0xFF: return 0x178;   // ÿ Ÿ
        case 0x161: return 0x160;  // š Š
        case 0x153: return 0x152;  // œ Œ
        case 0x17E: return 0x17D;  // ž Ž
        default: return c;
    }
}

}  // namespace

std::string foldedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        // Only one- and two-byte sequences hold letters with partners; the
        // rest is copied as it is (names reach here already checked as UTF-8).
        if (lead >= 0xC2 && lead <= 0xC5 && i + 1 < name.size()) {
            const char32_t c = (char32_t(lead & 0x1F) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3F);
            const char32_t upper = upperWestern(c);  // U+0080..U+017F: two bytes, as c
            out += static_cast<char>(0xC0 | (upper >> 6));
            out += static_cast<char>(0x80 | (upper & 0x3F));
            i += 2;
        } else {
            out += static_cast<char>(lead < 0x80 ? upperWestern(lead) : lead);
            ++i;
        }
    }
    return out;
}

bool statSourceFile(const fs::path& path, SourceFile& file, std::string& problem) {
    FileFacts facts;
    if (!readFileFacts(path, facts, problem)) return false;
    if (facts.size > 0xFFFFFFFFull) {
        problem = "is 4 GiB or larger";
        return false;
    }
    file.size = static_cast<fmt::u32>(facts.size);
    file.fileTime = clampToSourceDate(facts.modified);
    file.attributes = 0x20;
    if (facts.readOnly) file.attributes |= 0x01;
    return true;
}

namespace {

// True when `path` (absolute, without links or dot levels) lies below `folder` (the same).
bool liesBelow(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (p == path.end() || *p != *f) return false;
    }
    return p != path.end();
}

// Whether the link at `link` may be stored under its own path: it must lead,
// through any number of links, to a regular file inside `realFolder`.
bool checkFolderLink(const fs::path& link, const fs::path& realFolder, std::string& problem) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec == std::errc::too_many_symbolic_link_levels) {
        problem = "is a symbolic link that loops";
        return false;
    }
    if (ec) {
        problem = "is a symbolic link to nothing (its target does not exist)";
        return false;
    }
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) {
        problem = "is a symbolic link to a folder";
        return false;
    }
    if (!fs::is_regular_file(status)) {
        problem = "is a symbolic link to a device, a pipe or a socket";
        return false;
    }
    if (!liesBelow(target, realFolder)) {
        problem = "is a symbolic link to \"" + utf8FromPath(target) +
                  "\", outside the folder; name that file with source or glob to store it";
        return false;
    }
    return true;
}

// The extension of a path's last name, in lower case: files of one type
// have more in common with each other than with their neighbours in a
// folder, and each piece of a component's stream draws on the 32 KiB before it.
std::string nameType(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string type = path.substr(dot + 1);
    for (char& c : type) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return type;
}

}  // namespace

bool listFolder(const fs::path& folder, std::vector<std::string>& relative, std::string& problem) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        problem = "folder not found";
        return false;
    }
    const fs::path realFolder = fs::canonical(folder, ec);
    if (ec) {
        problem = "cannot find the folder's real place: " + ec.message();
        return false;
    }
    // Links to folders are not followed, so the walk stays inside and never loops.
    fs::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        if (ec) break;
        if (fs::is_directory(status)) continue;
        // The name is the entry's own path below the folder, never its target's.
        const std::string name = genericUtf8(it->path().lexically_relative(folder));
        if (fs::is_symlink(status)) {
            std::string linkProblem;
            if (!checkFolderLink(it->path(), realFolder, linkProblem)) {
                problem = "\"" + name + "\" " + linkProblem;
                return false;
            }
        } else if (!fs::is_regular_file(status)) {
            problem = "\"" + name + "\" is a device, a pipe or a socket, not a file";
            return false;
        }
        relative.push_back(name);
    }
    if (ec) {
        problem = "cannot list the folder: " + ec.message();
        return false;
    }
    std::sort(relative.begin(), relative.end(), [](const std::string& a, const std::string& b) {
        const std::string typeA = nameType(a), typeB = nameType(b);
        return typeA != typeB ? typeA < typeB : a < b;
    });
    return true;
}

namespace {

// Matches one "[...]" set at pattern[i] (just past the "["); moves i past the
// closing "]". A set without a closing "]" is a literal "[", as in the shell.
bool matchSet(std::string_view pattern, std::size_t& i, unsigned char c, bool& isSet) {
    std::size_t k = i;
    bool negate = false;
    if (k < pattern.size() && (pattern[k] == '!' || pattern[k] == '^')) {
        negate = true;
        ++k;
    }
    bool found = false;
    bool first = true;
    while (k < pattern.size() && (first || pattern[k] != ']')) {
        first = false;
        unsigned char low = static_cast<unsigned char>(pattern[k]);
        if (low == '\\' && k + 1 < pattern.size()) low = static_cast<unsigned char>(pattern[++k]);
        ++k;
        unsigned char high = low;
        if (k + 1 < pattern.size() && pattern[k] == '-' && pattern[k + 1] != ']') {
            high = static_cast<unsigned char>(pattern[k + 1]);
            if (high == '\\' && k + 2 < pattern.size()) {
                high = static_cast<unsigned char>(pattern[k + 2]);
                ++k;
            }
            k += 2;
        }
        if (c >= low && c <= high) found = true;
    }
    if (k >= pattern.size()) {
        isSet = false;
        return false;
    }
    isSet = true;
    i = k + 1;
    return found != negate;
}

}  // namespace

bool matchNamePattern(std::string_view pattern, std::string_view name) {
    // A leading "." is matched only by a "." written in the pattern.
    if (!name.empty() && name[0] == '.' && (pattern.empty() || pattern[0] != '.')) return false;
    // Iterative matching with one backtrack point: the latest "*".
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            const char pc = pattern[p];
            if (pc == '*') {
                starP = ++p;
                starN = n;
                continue;
            }
            if (pc == '?') {
                ++p;
                ++n;
                continue;
            }
            if (pc == '[') {
                std::size_t q = p + 1;
                bool isSet = false;
                const bool hit = matchSet(pattern, q, static_cast<unsigned char>(name[n]), isSet);
                if (isSet) {
                    if (hit) {
                        p = q;
                        ++n;
                        continue;
                    }
                } else if (name[n] == '[') {
                    ++p;
                    ++n;
                    continue;
                }
            } else {
                std::size_t q = p;
                if (pc == '\\' && q + 1 < pattern.size()) ++q;
                if (pattern[q] == name[n]) {
                    p = q + 1;
                    ++n;
                    continue;
                }
            }
        }
        if (starP == std::string_view::npos) return false;
        p = starP;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {

bool hasWildcard(std::string_view level) {
    for (std::size_t i = 0; i < level.size(); ++i) {
        if (level[i] == '\\') ++i;
        else if (level[i] == '*' || level[i] == '?' || level[i] == '[') return true;
    }
    return false;
}

// A level without wildcards names itself; its escapes are dropped.
std::string unescaped(std::string_view level) {
    std::string out;
    for (std::size_t i = 0; i < level.size(); ++i) {
        if (level[i] == '\\' && i + 1 < level.size()) ++i;
        out += level[i];
    }
    return out;
}

}  // namespace

bool expandGlob(const fs::path& base, const std::string& pattern, std::vector<std::string>& matches,
                std::string& problem) {
    // Split into levels at "/"; an absolute pattern starts at its root.
    const fs::path asPath = pathFromUtf8(pattern);
    fs::path start = base;
    std::string rest = pattern;
    if (asPath.has_root_path()) {
        start = asPath.root_path();
        rest = genericUtf8(asPath.relative_path());
    }
    std::vector<std::string> levels;
    for (std::size_t from = 0; from <= rest.size();) {
        const std::size_t slash = std::min(rest.find('/', from), rest.size());
        if (slash > from) levels.push_back(rest.substr(from, slash - from));
        from = slash + 1;
    }
    std::vector<fs::path> current{start};
    for (std::size_t l = 0; l < levels.size() && !current.empty(); ++l) {
        std::vector<fs::path> next;
        if (!hasWildcard(levels[l])) {
            for (const fs::path& dir : current) next.push_back(dir / pathFromUtf8(unescaped(levels[l])));
        } else {
            for (const fs::path& dir : current) {
                std::error_code ec;
                const fs::path listed = dir.empty() ? fs::path(".") : dir;
                fs::directory_iterator it(listed, ec), end;
                std::vector<fs::path> found;
                for (; !ec && it != end; it.increment(ec)) {
                    const std::string name = utf8FromPath(it->path().filename());
                    if (matchNamePattern(levels[l], name)) found.push_back(dir / it->path().filename());
                }
                next.insert(next.end(), found.begin(), found.end());
            }
        }
        current = std::move(next);
    }
    for (const fs::path& match : current) {
        std::error_code ec;
        if (levels.empty() || !fs::is_regular_file(match, ec)) continue;
        matches.push_back(base.empty() ? genericUtf8(match) : genericUtf8(match.lexically_relative(base)));
    }
    std::sort(matches.begin(), matches.end());
    if (matches.empty()) {
        problem = "matches no file";
        return false;
    }
    return true;
}

}  // namespace mkpackage
