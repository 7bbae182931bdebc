// Finding the files a description names and turning their paths into the
// names stored in the package.
#ifndef MKPACKAGE_SOURCE_FILES_H
#define MKPACKAGE_SOURCE_FILES_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "format/package_format.h"

namespace mkpackage {

// One file to store, found on disk while the description was read.
struct SourceFile {
    std::filesystem::path path;
    std::string storedName;     // 8-bit, backslash-separated, relative
    fmt::u32 size = 0;
    fmt::FileTime fileTime{};
    fmt::u32 attributes = 0;
    long line = 0;              // of the files entry that named it
};

// The format's stored-name rule (format/stored_names.h). Returns false with
// `problem` saying what is wrong.
bool checkStoredName(const std::string& name, std::string& problem);

// Whether two stored (8-bit) names are one name to Windows as far as ASCII
// case goes; their code page is not known here (the description's own check
// of its names folds more, on their UTF-8 form: foldedName).
bool sameStoredName(const std::string& a, const std::string& b);

// `name` (UTF-8) with every letter that has a case pair in Windows-1252 in
// its upper case: a-z, the accented letters U+00E0..U+00FE (not U+00F7),
// and ÿ, š, œ, ž. Windows takes names that differ only in those cases for
// one name, so two stored names are one file when their folded forms match.
// Letters outside that set (Greek, Cyrillic, ...) are compared as they are.
std::string foldedName(std::string_view name);

// Fills size, fileTime and attributes of `file` from the file at `path`.
// The time is the modification time as a FILETIME; attributes are 0x20
// (archive) plus 0x01 (read-only) when the owner may not write the file.
bool statSourceFile(const std::filesystem::path& path, SourceFile& file, std::string& problem);

// Every file below `folder`, as paths relative to it with "/" separators,
// grouped by extension (case ignored; files without one first), each group
// in byte order of the paths: the order in which they are stored, which
// packs files of one type together. A symbolic link is listed under its own path
// when it leads to a regular file inside the folder (the file's content is
// then stored); a link to a folder, to nothing, to something outside the
// folder, a loop of links, and a device, pipe or socket are refused with
// `problem` naming the entry. Links to folders are never followed.
bool listFolder(const std::filesystem::path& folder, std::vector<std::string>& relative, std::string& problem);

// The regular files matching `pattern` (relative to `base`, "/" between
// levels, any level a shell pattern), as UTF-8 paths relative to `base` with
// "/" separators, sorted by bytes; no match is an error. The same on every
// system, so that a description selects the same files everywhere.
bool expandGlob(const std::filesystem::path& base, const std::string& pattern, std::vector<std::string>& matches,
                std::string& problem);

// Whether one file name matches one level of a shell pattern: "*", "?",
// "[abc]", "[a-z]", "[!...]", a backslash escaping the next character; a leading
// "." must be matched by a "." in the pattern.
bool matchNamePattern(std::string_view pattern, std::string_view name);

}  // namespace mkpackage

#endif
