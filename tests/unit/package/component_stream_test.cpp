#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "package/component_stream.h"

using namespace setup;
using Bytes = std::vector<fmt::u8>;

namespace {

struct StoredFile {
    std::string name;
    Bytes data;
};

void append(Bytes& out, const void* p, std::size_t n) {
    const auto* b = static_cast<const fmt::u8*>(p);
    out.insert(out.end(), b, b + n);
}

// Writes the entries of one component the way the package writer does: one
// zlib stream, a sync flush after every 16 KiB piece but the last, which
// finishes the stream.
Bytes encodeComponent(const std::vector<StoredFile>& files, int level = 9) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::size_t lastFile = files.size();
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!files[i].data.empty()) lastFile = i;

    Bytes out;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const Bytes& data = files[f].data;
        std::vector<fmt::u16> table;
        Bytes chunks;
        for (std::size_t at = 0; at < data.size(); at += fmt::kChunkSize) {
            const std::size_t n = std::min<std::size_t>(fmt::kChunkSize, data.size() - at);
            const bool last = f == lastFile && at + n == data.size();
            Bytes packed(70000);
            z.next_in = const_cast<fmt::u8*>(data.data() + at);
            z.avail_in = static_cast<uInt>(n);
            z.next_out = packed.data();
            z.avail_out = static_cast<uInt>(packed.size());
            deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
            packed.resize(packed.size() - z.avail_out);
            const fmt::u32 crc = crc32(0, data.data() + at, static_cast<uInt>(n));
            table.push_back(static_cast<fmt::u16>(packed.size() + 4));
            append(chunks, &crc, 4);
            append(chunks, packed.data(), packed.size());
        }
        fmt::FileEntry h{};
        std::memcpy(h.magic, fmt::kFileEntryMagic, 4);
        h.unpackedSize = static_cast<fmt::u32>(data.size());
        h.storedSize = static_cast<fmt::u32>(table.size() * 2 + chunks.size());
        h.fileTime = {0x12345678, 0x01D00000};
        h.nameLength = static_cast<fmt::u16>(files[f].name.size());
        append(out, &h, sizeof h);
        append(out, files[f].name.data(), files[f].name.size());
        append(out, table.data(), table.size() * 2);
        append(out, chunks.data(), chunks.size());
    }
    deflateEnd(&z);
    return out;
}

struct ShortRead : std::runtime_error {
    ShortRead() : std::runtime_error("short read") {}
};

class MemoryPackage : public StreamCallbacks {
public:
    explicit MemoryPackage(Bytes bytes) : bytes_(std::move(bytes)) {}
    void read(void* buffer, fmt::u32 count) override {
        if (count > bytes_.size() - at_) throw ShortRead();
        std::memcpy(buffer, bytes_.data() + at_, count);
        at_ += count;
    }
    void write(const fmt::u8* bytes, fmt::u32 count) override {
        written.insert(written.end(), bytes, bytes + count);
        chunkSizes.push_back(count);
    }
    void chunkDone(fmt::u32 packed) override { consumed += packed; }
    void pump() override { ++pumps; }

    Bytes written;
    std::vector<fmt::u32> chunkSizes;
    std::uint64_t consumed = 0;
    int pumps = 0;

private:
    Bytes bytes_;
    std::size_t at_ = 0;
};

Bytes randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<fmt::u8>(rng());
    return b;
}

Bytes textBytes(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<fmt::u8>("setup data "[i % 11]);
    return b;
}

// Decodes every entry of a component; returns the first error or kStreamOk.
StreamResult decodeAll(MemoryPackage& io, std::size_t entries,
                       std::vector<Bytes>* files = nullptr) {
    ComponentStream stream{};
    StreamResult r = openComponentStream(stream);
    for (std::size_t i = 0; r == kStreamOk && i < entries; ++i) {
        EntryBuffers entry;
        io.written.clear();
        r = readFileEntry(entry, io);
        if (r == kStreamOk) r = inflateFileData(stream, entry.header, io);
        if (files) files->push_back(io.written);
    }
    closeComponentStream(stream);
    std::free(stream.input);
    std::free(stream.output);
    return r;
}

}  // namespace

TEST(ComponentStream, RoundTripOverChunkBoundaries) {
    const std::vector<StoredFile> files = {
        {"empty.txt", {}},
        {"Data\\exact.bin", textBytes(16384)},
        {"Data\\Sub\\Deep\\Er\\over.bin", textBytes(16385)},
        {"noise.bin", randomBytes(40000, 1)},
        {"copy.bin", randomBytes(40000, 1)},  // refers back into the previous file
    };
    MemoryPackage io(encodeComponent(files));
    std::vector<Bytes> out;
    ASSERT_EQ(decodeAll(io, files.size(), &out), kStreamOk);
    ASSERT_EQ(out.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(out[i], files[i].data) << i;
    // 16,385 bytes arrive as a full chunk and a one-byte chunk.
    EXPECT_EQ(io.chunkSizes.back(), 40000u - 2 * 16384);
}

TEST(ComponentStream, IncompressibleChunkLongerThanItsData) {
    // Stored blocks make an incompressible piece longer than 16,388 bytes.
    const std::vector<StoredFile> files = {{"a", randomBytes(16384, 7)}, {"b", textBytes(10)}};
    const Bytes package = encodeComponent(files);
    fmt::u16 length;
    std::memcpy(&length, package.data() + sizeof(fmt::FileEntry) + 1, 2);
    EXPECT_GT(length, 16388);
    EXPECT_LE(length, 16400);  // the first chunk also holds the two zlib header bytes
    MemoryPackage io(package);
    ASSERT_EQ(decodeAll(io, 2), kStreamOk);
}

TEST(ComponentStream, EveryFlippedBitIsCaught) {
    const std::vector<StoredFile> files = {{"a.txt", textBytes(30000)}};
    const Bytes good = encodeComponent(files);
    const std::size_t dataStart = sizeof(fmt::FileEntry) + 5 + 2 * 2;
    for (std::size_t at = dataStart; at < good.size(); at += 3) {
        Bytes bad = good;
        bad[at] ^= 0x10;
        MemoryPackage io(bad);
        StreamResult r = kStreamOk;
        try {
            r = decodeAll(io, 1);
        } catch (const ShortRead&) {
            r = kStreamCorrupt;
        }
        EXPECT_TRUE(r == kStreamCorrupt || r == kStreamBadCrc) << "byte " << at;
    }
}

TEST(ComponentStream, MalformedEntriesAreRefusedBeforeAnyOverrun) {
    const std::vector<StoredFile> files = {{"a.txt", textBytes(20000)}};
    const Bytes good = encodeComponent(files);
    const std::size_t tableAt = sizeof(fmt::FileEntry) + 5;
    auto withU16 = [&](std::size_t at, fmt::u16 v) {
        Bytes b = good;
        std::memcpy(b.data() + at, &v, 2);
        return b;
    };
    auto withU32 = [&](std::size_t at, fmt::u32 v) {
        Bytes b = good;
        std::memcpy(b.data() + at, &v, 4);
        return b;
    };
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"magic", withU32(0, 0x454C4946 ^ 1)},
        {"chunk below 4", withU16(tableAt, 3)},
        {"chunk above 32772", withU16(tableAt, 32773)},
        {"name too long", withU16(offsetof(fmt::FileEntry, nameLength), 260)},
        // Declares one chunk more than its table has.
        {"table used up", withU32(offsetof(fmt::FileEntry, unpackedSize), 20000 + 16384)},
        // Declares fewer bytes than its chunks give.
        {"more than declared", withU32(offsetof(fmt::FileEntry, unpackedSize), 16385)},
    };
    for (auto& c : cases) {
        MemoryPackage io(c.bytes);
        StreamResult r = kStreamOk;
        try {
            r = decodeAll(io, 1);
        } catch (const ShortRead&) {
            r = kStreamOk;  // a short read is the caller's failure, not a refusal
        }
        EXPECT_EQ(r, kStreamCorrupt) << c.what;
    }
}

TEST(ComponentStream, NamesThatLeaveTheDestinationAreRefused) {
    for (const char* name : {"..\\evil.txt", "C:\\evil.txt", "\\evil.txt", "a\\..\\..\\b"}) {
        MemoryPackage io(encodeComponent({{name, textBytes(10)}}));
        EXPECT_EQ(decodeAll(io, 1), kStreamCorrupt) << name;
    }
}

TEST(ComponentStream, CannotStartInTheMiddleOfAComponent) {
    const std::vector<StoredFile> files = {{"a", textBytes(5000)}, {"b", textBytes(5000)}};
    const Bytes whole = encodeComponent(files);
    const std::size_t second = sizeof(fmt::FileEntry) + 1 + 2 +
                               *reinterpret_cast<const fmt::u16*>(whole.data() + 29);
    MemoryPackage io(Bytes(whole.begin() + second, whole.end()));
    EXPECT_EQ(decodeAll(io, 1), kStreamCorrupt);
}

TEST(ComponentStream, ProgressCountsEveryChunkAndItsTableValue) {
    const std::vector<StoredFile> files = {{"a", textBytes(16385)}, {"b", {}}, {"c", textBytes(3)}};
    const Bytes package = encodeComponent(files);
    MemoryPackage io(package);
    ASSERT_EQ(decodeAll(io, 3), kStreamOk);
    // The consumed count equals the sum of storedSize: headers and names excluded.
    const std::size_t headers = 3 * sizeof(fmt::FileEntry) + 3;
    EXPECT_EQ(io.consumed, package.size() - headers);
    EXPECT_EQ(io.pumps, 3 * 3);
}
