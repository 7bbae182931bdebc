// An input stream over bytes in memory, without copying them: the verifier
// reads installers through std::istream.
#ifndef FUZZ_MEMORY_STREAM_H
#define FUZZ_MEMORY_STREAM_H

#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>

namespace fuzzing {

class MemoryBuffer : public std::streambuf {
public:
    MemoryBuffer(const std::uint8_t* data, std::size_t size) {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
        setg(begin, begin, begin + size);
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        const off_type size = egptr() - eback();
        const off_type from = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback() : size;
        if (offset < -from || offset > size - from) return pos_type(off_type(-1));
        setg(eback(), eback() + from + offset, egptr());
        return pos_type(from + offset);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode mode) override {
        return seekoff(off_type(position), std::ios_base::beg, mode);
    }
};

class MemoryStream : public std::istream {
public:
    MemoryStream(const std::uint8_t* data, std::size_t size) : std::istream(nullptr), buffer_(data, size) {
        rdbuf(&buffer_);
    }

private:
    MemoryBuffer buffer_;
};

}  // namespace fuzzing

#endif
