// The installer being written: a temporary file next to the final name,
// written through a buffer, with bytes already written patched in place (the
// chunk tables and sizes that are known only after their data). It becomes
// the output only through commit(); otherwise it is removed, on Ctrl-C and
// termination too (interrupt_cleanup.h).
#ifndef MKPACKAGE_OUTPUT_FILE_H
#define MKPACKAGE_OUTPUT_FILE_H

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace mkpackage {

class OutputFile {
public:
    // Creates the temporary file; throws InputError when it cannot.
    explicit OutputFile(const std::filesystem::path& finalPath);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::uint64_t position() const { return position_; }
    void write(const void* data, std::size_t count);
    void writeZeros(std::size_t count);
    // Overwrites bytes written before (offset + count <= position()).
    void patch(std::uint64_t offset, const void* data, std::size_t count);
    // Flushes and closes the file, hands its temporary path to `finish`
    // when given (which may change the file, or throw to abandon it), and
    // renames it to its final name.
    void commit(const std::function<void(const std::filesystem::path&)>& finish = {});

private:
    void flush();
    [[noreturn]] void fail(const char* what) const;

    std::filesystem::path finalPath_;
    std::filesystem::path tempPath_;
    std::FILE* file_ = nullptr;
    std::vector<unsigned char> buffer_;
    std::uint64_t flushed_ = 0;   // bytes already on disk
    std::uint64_t position_ = 0;  // bytes written in all
    bool committed_ = false;
    int cleanupSlot_ = -1;
};

}  // namespace mkpackage

#endif
