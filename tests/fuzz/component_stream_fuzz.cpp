// The stored files of one component, read entry by entry as the extraction
// does: header and name, then the chunks through the component's stream.
// The input is the component's bytes from its first entry on; a read past
// their end stops the run as the setup program's short read would.
//
// An input that begins with "LZMA" is an LZMA component: u32 block size
// (kept within 64 KiB..1 MiB), u32 block count and u32 offset of the first
// entry follow, then the component's bytes from its first block on.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "package/component_stream.h"

namespace {

struct ShortRead {};

class BufferStream final : public setup::StreamCallbacks {
public:
    BufferStream(const std::uint8_t* data, std::size_t size, std::size_t start = 0)
        : data_(data), size_(size), position_(start < size ? start : size) {}

    bool readAt(fmt::u32 offset, void* buffer, fmt::u32 count) override {
        if (offset > size_ || count > size_ - offset) return false;
        std::memcpy(buffer, data_ + offset, count);
        return true;
    }

    void read(void* buffer, fmt::u32 count) override {
        if (count > size_ - position_) throw ShortRead{};
        std::memcpy(buffer, data_ + position_, count);
        position_ += count;
    }
    // Every byte handed on is read, so that the sanitizer sees the whole range.
    void write(const fmt::u8* bytes, fmt::u32 count) override {
        written_ += count;
        checksum_ = crc32(checksum_, bytes, count);
    }
    void chunkDone(fmt::u32) override {}
    void pump() override {}

    std::uint64_t written() const { return written_; }
    void startEntry() { written_ = 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_;
    std::uint64_t written_ = 0;
    uLong checksum_ = 0;
};

// Kept from run to run, as the setup program keeps its buffers.
setup::ComponentStream stream{};
setup::EntryBuffers entry{};

constexpr std::size_t kLzmaPrefix = 16;

fmt::u32 loadU32(const std::uint8_t* p) {
    fmt::u32 value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool lzma = size >= kLzmaPrefix && std::memcmp(data, "LZMA", 4) == 0;
    fmt::StreamMethodEntry method{};
    fmt::u32 entriesOffset = 0;
    if (lzma) {
        method.method = fmt::kStreamMethodLzma;
        const fmt::u32 blockSize = loadU32(data + 4);
        method.blockSize = blockSize < fmt::kMinLzmaBlockSize ? fmt::kMinLzmaBlockSize
                           : blockSize > 1024 * 1024      ? 1024 * 1024
                                                          : blockSize;
        method.blockCount = loadU32(data + 8);
        entriesOffset = loadU32(data + 12);
        data += kLzmaPrefix;
        size -= kLzmaPrefix;
    }
    BufferStream io(data, size, entriesOffset);
    const setup::StreamResult opened = lzma ? setup::openLzmaComponentStream(stream, method, entriesOffset)
                                            : setup::openComponentStream(stream);
    if (opened != setup::kStreamOk) std::abort();
    try {
        for (;;) {
            if (setup::readFileEntry(entry, io) != setup::kStreamOk) break;
            // An accepted name is terminated inside its buffer.
            if (::strnlen(entry.name, sizeof entry.name) >= sizeof entry.name) std::abort();
            io.startEntry();
            if (setup::inflateFileData(stream, entry.header, io) != setup::kStreamOk) break;
            // A file that decodes without a failure holds exactly its declared size.
            if (io.written() != entry.header.unpackedSize) std::abort();
        }
    } catch (const ShortRead&) {
    }
    setup::closeComponentStream(stream);
    return 0;
}
