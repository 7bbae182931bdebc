#include "output/output_file.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "common/file_open.h"
#include "common/input_error.h"
#include "common/path_text.h"
#include "output/interrupt_cleanup.h"

namespace mkpackage {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

OutputFile::OutputFile(const std::filesystem::path& finalPath) : finalPath_(finalPath) {
    const std::filesystem::path folder = finalPath.parent_path().empty() ? "." : finalPath.parent_path();
    std::string prefix = ".";
    prefix += utf8FromPath(finalPath.filename());
    prefix += '.';
    std::string problem;
    file_ = createUniqueFile(folder, prefix, tempPath_, problem);
    if (file_ == nullptr) {
        throw InputError(utf8FromPath(finalPath) + ": cannot create a temporary file next to it: " + problem);
    }
    cleanupSlot_ = registerTemporaryFile(tempPath_);
    buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
    std::error_code ec;
    if (!committed_ && !tempPath_.empty()) std::filesystem::remove(tempPath_, ec);
    forgetTemporaryFile(cleanupSlot_);
}

void OutputFile::fail(const char* what) const {
    throw InputError(utf8FromPath(finalPath_) + ": " + what + ": " + std::strerror(errno));
}

void OutputFile::flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        fail("cannot write");
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
    // The part that is still in the buffer is changed there; the rest on
    // disk, after which writing goes on at the end.
    if (count > 0 && offset < flushed_) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, flushed_ - offset));
        if (!seekTo(file_, offset) || std::fwrite(p, 1, n, file_) != n || !seekTo(file_, flushed_)) {
            fail("cannot write");
        }
        p += n;
        offset += n;
        count -= n;
    }
    if (count > 0) std::memcpy(buffer_.data() + (offset - flushed_), p, count);
}

void OutputFile::commit(const std::function<void(const std::filesystem::path&)>& finish) {
    flush();
    if (std::fflush(file_) != 0) fail("cannot write");
    if (!makeExecutable(file_)) fail("cannot set permissions");
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) fail("cannot close");
    if (finish) {
        finish(tempPath_);
        // The file there now may be a new one that the command wrote.
        std::FILE* finished = openForReading(tempPath_);
        const bool executable = finished != nullptr && makeExecutable(finished);
        if (finished != nullptr) std::fclose(finished);
        if (!executable) fail("cannot set permissions");
    }
    // Replaces an existing file on both systems (plain rename does not on Windows).
    std::error_code ec;
    std::filesystem::rename(tempPath_, finalPath_, ec);
    if (ec) {
        throw InputError(utf8FromPath(finalPath_) + ": cannot rename the temporary file: " + ec.message());
    }
    committed_ = true;
    forgetTemporaryFile(cleanupSlot_);
    cleanupSlot_ = -1;
}

}  // namespace mkpackage
