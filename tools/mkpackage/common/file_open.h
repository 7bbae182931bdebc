// Opening and creating files the same way on both systems. New files and
// folders get a fresh unique name, so that a half-made result never takes the
// place of a finished one.
#ifndef MKPACKAGE_FILE_OPEN_H
#define MKPACKAGE_FILE_OPEN_H

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace mkpackage {

// fopen(path, "rb") for a path in the system's own form.
std::FILE* openForReading(const std::filesystem::path& path);

// Creates and opens for writing a file that did not exist, named `prefix`
// followed by random letters, in `folder`. Null with `problem` on failure.
std::FILE* createUniqueFile(const std::filesystem::path& folder, const std::string& prefix,
                            std::filesystem::path& created, std::string& problem);

// Creates a folder that did not exist, named like createUniqueFile's files.
bool createUniqueFolder(const std::filesystem::path& folder, const std::string& prefix,
                        std::filesystem::path& created, std::string& problem);

// Gives an open file the permissions a new executable gets (read, write and
// run, less the umask); nothing to do on Windows.
bool makeExecutable(std::FILE* file);

// Moves to `offset` from the start; files beyond 2 GiB need the 64-bit call.
bool seekTo(std::FILE* file, std::uint64_t offset);

}  // namespace mkpackage

#endif
