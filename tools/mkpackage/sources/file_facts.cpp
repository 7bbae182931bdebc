#include "sources/file_facts.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "common/input_error.h"
#include "sources/file_time.h"

namespace mkpackage {

#ifdef _WIN32

// The attribute query gives the time in the stored form itself, at full
// precision (the C runtime's stat would round it to seconds).
bool readFileFacts(const std::filesystem::path& path, FileFacts& facts, std::string& problem) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        problem = "file not found";
        return false;
    }
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        problem = "is not a regular file";
        return false;
    }
    facts.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts.modified = fmt::FileTime{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime};
    facts.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return true;
}

#else

bool readFileFacts(const std::filesystem::path& path, FileFacts& facts, std::string& problem) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        problem = "file not found";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = "is not a regular file";
        return false;
    }
    facts.size = static_cast<std::uint64_t>(info.st_size);
    facts.modified = fileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    facts.readOnly = (info.st_mode & S_IWUSR) == 0;
    return true;
}

#endif

std::string nonFileProblem(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return {};
    if (std::filesystem::is_directory(status)) return "is a folder, not a file";
    return "is a device, a pipe or a socket, not a file";
}

void refuseUnlessFile(const std::filesystem::path& path, const std::string& role) {
    const std::string problem = nonFileProblem(path);
    if (!problem.empty()) throw InputError(utf8FromPath(path) + ": " + role + " " + problem);
}

}  // namespace mkpackage
