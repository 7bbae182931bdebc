// What the system says about a source file: kind, size, modification time
// and whether it is read-only. The one place that asks the operating system,
// so that both builds store the same time for the same file.
#ifndef MKPACKAGE_FILE_FACTS_H
#define MKPACKAGE_FILE_FACTS_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "format/package_format.h"

namespace mkpackage {

struct FileFacts {
    std::uint64_t size = 0;
    fmt::FileTime modified{};  // 100-ns steps since 1601, as Windows keeps it
    bool readOnly = false;     // no owner write permission / the read-only attribute
};

// False with `problem` ("file not found", "is not a regular file") when
// `path` is not a regular file that can be read.
bool readFileFacts(const std::filesystem::path& path, FileFacts& facts, std::string& problem);

// Why `path` cannot be read as a file: "is a folder, not a file", "is a
// device, a pipe or a socket, not a file"; empty when it is a regular file
// (through links) or does not exist. Asks without opening: opening a pipe
// would block, and reading a device may never end.
std::string nonFileProblem(const std::filesystem::path& path);

// Throws InputError "<path>: <role> <problem>" when nonFileProblem finds one.
void refuseUnlessFile(const std::filesystem::path& path, const std::string& role);

}  // namespace mkpackage

#endif
