// The stored files of one component, read entry by entry as the extraction
// does: header and name, then the chunks through the component's stream.
// The input is the component's bytes from its first entry on; a read past
// their end stops the run as the setup program's short read would.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "package/component_stream.h"

namespace {

struct ShortRead {};

class BufferStream final : public setup::StreamCallbacks {
public:
    BufferStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

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
    std::size_t position_ = 0;
    std::uint64_t written_ = 0;
    uLong checksum_ = 0;
};

// Kept from run to run, as the setup program keeps its two buffers.
setup::ComponentStream stream{};
setup::EntryBuffers entry{};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BufferStream io(data, size);
    if (setup::openComponentStream(stream) != setup::kStreamOk) std::abort();
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
