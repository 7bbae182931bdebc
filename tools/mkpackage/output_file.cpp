#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "input_error.h"

namespace mkpackage {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

OutputFile::OutputFile(const std::filesystem::path& finalPath) : finalPath_(finalPath) {
    const std::filesystem::path folder = finalPath.parent_path().empty() ? "." : finalPath.parent_path();
    std::string name = ".";
    name += finalPath.filename().string();
    name += ".XXXXXX";
    std::string pattern = (folder / name).string();
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) {
        throw InputError(finalPath.string() + ": cannot create a temporary file next to it: " + std::strerror(errno));
    }
    tempPath_ = pattern;
    buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void OutputFile::fail(const char* what) const {
    throw InputError(finalPath_.string() + ": " + what + ": " + std::strerror(errno));
}

void OutputFile::flush() {
    const unsigned char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot write");
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    flushed_ += buffer_.size();
    buffer_.clear();
}

void OutputFile::write(const void* data, std::size_t count) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        if (buffer_.size() == kBufferSize) flush();
        const std::size_t n = std::min(count, kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), p, p + n);
        p += n;
        count -= n;
        position_ += n;
    }
}

void OutputFile::writeZeros(std::size_t count) {
    static const unsigned char kZeros[256] = {};
    while (count > 0) {
        const std::size_t n = std::min(count, sizeof kZeros);
        write(kZeros, n);
        count -= n;
    }
}

void OutputFile::patch(std::uint64_t offset, const void* data, std::size_t count) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    // The part that is still in the buffer is changed there; the rest on disk.
    while (count > 0 && offset < flushed_) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, flushed_ - offset));
        const ssize_t written = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            fail("cannot write");
        }
        p += written;
        offset += static_cast<std::uint64_t>(written);
        count -= static_cast<std::size_t>(written);
    }
    if (count > 0) std::memcpy(buffer_.data() + (offset - flushed_), p, count);
}

void OutputFile::commit() {
    flush();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_, 0777 & ~mask) != 0) fail("cannot set permissions");
    if (::close(fd_) != 0) {
        fd_ = -1;
        fail("cannot close");
    }
    fd_ = -1;
    if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) fail("cannot rename the temporary file");
    committed_ = true;
}

}  // namespace mkpackage
