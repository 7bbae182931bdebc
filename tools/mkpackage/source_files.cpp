#include "source_files.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <system_error>

namespace mkpackage {

namespace fs = std::filesystem;

bool checkStoredName(const std::string& name, std::string& problem) {
    if (name.empty()) {
        problem = "is empty";
        return false;
    }
    if (name.size() > fmt::kMaxNameLength) {
        problem = "is " + std::to_string(name.size()) + " bytes, longer than 259";
        return false;
    }
    if (name.front() == '\\') {
        problem = "is absolute";
        return false;
    }
    if (name.find(':') != std::string::npos) {
        problem = "holds a drive or a \":\"";
        return false;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || std::string_view("*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
            problem = "holds a character Windows does not allow in file names";
            return false;
        }
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find('\\', start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") {
            problem = "climbs out of the install folder with \"..\"";
            return false;
        }
        if (part.empty() || part == ".") {
            problem = "has an empty folder level";
            return false;
        }
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool sameStoredName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

fmt::FileTime fileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
    // 100-ns intervals between 1601-01-01 and 1970-01-01.
    constexpr std::int64_t kEpochDifference = 116444736000000000ll;
    std::int64_t ticks = seconds * 10000000ll + nanoseconds / 100 + kEpochDifference;
    if (ticks < 0) ticks = 0;
    const auto value = static_cast<std::uint64_t>(ticks);
    return fmt::FileTime{static_cast<fmt::u32>(value & 0xFFFFFFFFu), static_cast<fmt::u32>(value >> 32)};
}

bool statSourceFile(const fs::path& path, SourceFile& file, std::string& problem) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        problem = "file not found";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = "is not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > 0xFFFFFFFFull) {
        problem = "is 4 GiB or larger";
        return false;
    }
    file.size = static_cast<fmt::u32>(info.st_size);
    file.fileTime = fileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    file.attributes = 0x20;
    if ((info.st_mode & S_IWUSR) == 0) file.attributes |= 0x01;
    return true;
}

bool listFolder(const fs::path& folder, std::vector<std::string>& relative, std::string& problem) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        problem = "folder not found";
        return false;
    }
    fs::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        relative.push_back(fs::relative(it->path(), folder, ec).generic_string());
    }
    if (ec) {
        problem = "cannot list the folder: " + ec.message();
        return false;
    }
    std::sort(relative.begin(), relative.end());
    return true;
}

bool expandGlob(const fs::path& base, const std::string& pattern, std::vector<std::string>& matches,
                std::string& problem) {
    const std::string full = (base / pattern).string();
    glob_t result{};
    const int rc = ::glob(full.c_str(), 0, nullptr, &result);
    if (rc == 0) {
        for (std::size_t i = 0; i < result.gl_pathc; ++i) {
            std::error_code ec;
            const fs::path match(result.gl_pathv[i]);
            if (!fs::is_regular_file(match, ec)) continue;
            matches.push_back(base.empty() ? match.string() : match.lexically_relative(base).string());
        }
    }
    globfree(&result);
    std::sort(matches.begin(), matches.end());
    if (matches.empty()) {
        problem = "matches no file";
        return false;
    }
    return true;
}

}  // namespace mkpackage
