// Writes an installer: the program image, padded to a multiple of 4, then
// the package (header, every component's entries with their chunked stream,
// and the configuration block last).
#ifndef MKPACKAGE_PACKAGE_WRITER_H
#define MKPACKAGE_PACKAGE_WRITER_H

#include <cstdint>
#include <filesystem>
#include <functional>

#include "description/description.h"

namespace mkpackage {

struct BuildProgress {
    std::uint64_t filesDone = 0, filesTotal = 0;
    std::uint64_t bytesDone = 0, bytesTotal = 0;
};

struct BuildResult {
    std::uint64_t files = 0;
    std::uint64_t unpackedBytes = 0;
    std::uint64_t packageBytes = 0;   // from the package header to the end
    std::uint64_t installerBytes = 0;
};

// Refuses an image that already carries a package (InputError).
void checkProgramImage(const std::filesystem::path& image);

inline constexpr unsigned kMaxJobs = 256;

// The number of cores, at least 1 and at most kMaxJobs.
unsigned defaultJobs();

struct BuildOptions {
    // Threads that compress pieces. The installer's bytes do not depend on it.
    unsigned jobs = 1;
    // Called after every piece of 16 KiB is written; may be empty.
    std::function<void(const BuildProgress&)> progress;
    // Called with the finished installer's temporary path before it takes
    // the output's name (to sign it, say); may be empty. What it throws
    // abandons the build and its file.
    std::function<void(const std::filesystem::path&)> finish;
};

// Writes the installer for `description` to `output` (through a temporary
// file: on any failure no output file is left). Throws InputError.
BuildResult writeInstaller(const Description& description, const std::filesystem::path& image,
                           const std::filesystem::path& output, const BuildOptions& options = {});

}  // namespace mkpackage

#endif
