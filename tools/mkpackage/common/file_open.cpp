#include "common/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "common/path_text.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

std::string randomSuffix() {
    static std::mt19937 generator{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string suffix;
    for (int i = 0; i < 8; ++i) suffix += kLetters[pick(generator)];
    return suffix;
}

constexpr int kAttempts = 100;

}  // namespace

std::FILE* openForReading(const fs::path& path) {
#ifdef _WIN32
    return ::_wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

std::FILE* createUniqueFile(const fs::path& folder, const std::string& prefix, fs::path& created,
                            std::string& problem) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const fs::path candidate = folder / pathFromUtf8(prefix + randomSuffix());
#ifdef _WIN32
        // Shared for deletion, so that a Ctrl-C can remove it while it is
        // open (interrupt_cleanup.h).
        const HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            problem = std::system_category().message(static_cast<int>(error));
            return nullptr;
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            DeleteFileW(candidate.c_str());
            problem = "cannot open the new file";
            return nullptr;
        }
#else
        const int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_RDWR, 0600);
#endif
        if (fd < 0) {
            if (errno == EEXIST) continue;
            problem = std::strerror(errno);
            return nullptr;
        }
        std::FILE* file = ::fdopen(fd, "wb");
        if (file == nullptr) {
            problem = std::strerror(errno);
            ::close(fd);
            std::error_code ec;
            fs::remove(candidate, ec);
            return nullptr;
        }
        created = candidate;
        return file;
    }
    problem = "no free name";
    return nullptr;
}

bool createUniqueFolder(const fs::path& folder, const std::string& prefix, fs::path& created, std::string& problem) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const fs::path candidate = folder / pathFromUtf8(prefix + randomSuffix());
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            created = candidate;
            return true;
        }
        if (ec) {
            problem = ec.message();
            return false;
        }
    }
    problem = "no free name";
    return false;
}

bool makeExecutable(std::FILE* file) {
#ifdef _WIN32
    (void)file;
    return true;
#else
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(::fileno(file), 0777 & ~mask) == 0;
#endif
}

bool seekTo(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace mkpackage
