#include "package_writer.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "chunk_compressor.h"
#include "config_record.h"
#include "format/package_reader.h"
#include "file_facts.h"
#include "file_open.h"
#include "input_error.h"
#include "output_file.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;
using fmt::u32;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Package offsets and sizes are u32 on disk.
u32 packageOffset(const OutputFile& out, std::uint64_t packageStart, const fs::path& output) {
    const std::uint64_t offset = out.position() - packageStart;
    if (offset > 0xFFFFFFFFull) throw InputError(utf8FromPath(output) + ": the package grows beyond 4 GiB");
    return static_cast<u32>(offset);
}

class ComponentWriter {
public:
    ComponentWriter(OutputFile& out, const Description& description, BuildProgress& progress,
                    const std::function<void(const BuildProgress&)>& report)
        : out_(out), description_(description), progress_(progress), report_(report) {}

    // Writes the entries of component `index`; returns its packed size.
    std::uint64_t write(std::size_t index) {
        const ComponentSpec& component = description_.components[index];
        // The stream ends with the last piece of the last file that has data.
        std::size_t lastWithData = component.files.size();
        for (std::size_t f = 0; f < component.files.size(); ++f) {
            if (component.files[f].size != 0) lastWithData = f;
        }
        ChunkCompressor compressor;
        std::uint64_t packed = 0;
        for (std::size_t f = 0; f < component.files.size(); ++f) {
            packed += writeEntry(static_cast<fmt::u16>(index), component.files[f], compressor, f == lastWithData);
            ++progress_.filesDone;
            if (report_) report_(progress_);
        }
        return packed;
    }

private:
    [[noreturn]] void fail(const SourceFile& file, const std::string& what) const {
        throw errorAt(description_.file, file.line, "files", "\"" + utf8FromPath(file.path) + "\": " + what);
    }

    // Writes one entry: header and name, a chunk table filled in chunk by
    // chunk, and the chunks. Returns FileEntry.storedSize.
    u32 writeEntry(fmt::u16 componentIndex, const SourceFile& file, ChunkCompressor& compressor, bool endsStream) {
        FileHandle in(openForReading(file.path));
        if (!in) fail(file, std::string("cannot open: ") + std::strerror(errno));

        const std::uint64_t headerOffset = out_.position();
        fmt::FileEntry entry{};
        std::memcpy(entry.magic, fmt::kFileEntryMagic, 4);
        entry.unpackedSize = file.size;
        entry.fileTime = file.fileTime;
        entry.attributes = file.attributes;
        entry.componentIndex = componentIndex;
        entry.nameLength = static_cast<fmt::u16>(file.storedName.size());
        out_.write(&entry, sizeof entry);
        out_.write(file.storedName.data(), file.storedName.size());
        const std::uint64_t tableOffset = out_.position();
        const u32 chunks = fmt::chunkCount(file.size);
        out_.writeZeros(2 * std::size_t(chunks));

        std::uint64_t stored = 2 * std::uint64_t(chunks);
        u32 remaining = file.size;
        for (u32 c = 0; c < chunks; ++c) {
            const u32 pieceSize = std::min(remaining, fmt::kChunkSize);
            if (std::fread(piece_, 1, pieceSize, in.get()) != pieceSize) {
                fail(file, std::ferror(in.get()) ? "read error" : "file became shorter while it was read");
            }
            remaining -= pieceSize;
            const bool last = endsStream && remaining == 0;
            const std::vector<std::uint8_t>& data = compressor.compress(piece_, pieceSize, last);
            const u32 length = static_cast<u32>(data.size()) + fmt::kChunkCrcSize;
            if (length > fmt::kMaxChunkLength) fail(file, "a chunk compresses to more than 32772 bytes");
            const u32 crc = static_cast<u32>(crc32(0, piece_, pieceSize));
            out_.write(&crc, 4);
            out_.write(data.data(), data.size());
            const fmt::u16 tableValue = static_cast<fmt::u16>(length);
            out_.patch(tableOffset + 2 * std::uint64_t(c), &tableValue, 2);
            stored += length;
            progress_.bytesDone += pieceSize;
            if (report_) report_(progress_);
        }
        if (std::fgetc(in.get()) != EOF) fail(file, "file became longer while it was read");
        if (stored > 0xFFFFFFFFull) fail(file, "stored size exceeds 4 GiB");
        entry.storedSize = static_cast<u32>(stored);
        out_.patch(headerOffset + offsetof(fmt::FileEntry, storedSize), &entry.storedSize, 4);
        return entry.storedSize;
    }

    OutputFile& out_;
    const Description& description_;
    BuildProgress& progress_;
    const std::function<void(const BuildProgress&)>& report_;
    std::uint8_t piece_[fmt::kChunkSize];
};

}  // namespace

void checkProgramImage(const fs::path& image) {
    refuseUnlessFile(image, "the program image");
    std::ifstream in(image, std::ios::binary);
    if (!in) throw InputError(utf8FromPath(image) + ": cannot open the program image");
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    if (size == 0) throw InputError(utf8FromPath(image) + ": the program image is empty");
    if (const std::optional<std::uint64_t> found = fmt::locatePackage(in, size)) {
        throw InputError(utf8FromPath(image) + ": the program image already holds a package signature at offset " +
                         std::to_string(*found) + "; the setup program would find it instead of the new package");
    }
}

BuildResult writeInstaller(const Description& description, const fs::path& image, const fs::path& output,
                           const std::function<void(const BuildProgress&)>& progress) {
    ConfigRecord record = buildConfigRecord(description);
    checkProgramImage(image);

    BuildProgress state;
    for (const ComponentSpec& component : description.components) {
        state.filesTotal += component.files.size();
        for (const SourceFile& file : component.files) state.bytesTotal += file.size;
    }

    OutputFile out(output);
    {
        std::ifstream in(image, std::ios::binary);
        char buffer[64 * 1024];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) out.write(buffer, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) throw InputError(utf8FromPath(image) + ": cannot read the program image");
    }
    out.writeZeros((4 - out.position() % 4) % 4);
    const std::uint64_t packageStart = out.position();

    fmt::PackageHeader header{};
    std::memcpy(header.magic, fmt::kPackageMagic, 4);
    header.signature = fmt::kPackageSignature;
    out.write(&header, sizeof header);

    ComponentWriter writer(out, description, state, progress);
    std::uint64_t totalUnpacked = 0, totalPacked = 0;
    for (std::size_t c = 0; c < description.components.size(); ++c) {
        const ComponentSpec& component = description.components[c];
        const u32 first = packageOffset(out, packageStart, output);
        const std::uint64_t packed = writer.write(c);
        std::uint64_t unpacked = 0;
        for (const SourceFile& file : component.files) unpacked += file.size;
        if (packed > 0x7FFFFFFF) {
            throw errorAt(description.file, component.line, "components",
                          "component \"" + component.name + "\" stores more than 2 GiB");
        }
        setComponentTotals(record, c, first, static_cast<u32>(unpacked), static_cast<u32>(packed),
                           static_cast<u32>(component.files.size()));
        totalUnpacked += unpacked;
        totalPacked += packed;
        header.fileEntryCount += static_cast<u32>(component.files.size());
    }
    if (totalUnpacked > 0xFFFFFFFFull || totalPacked > 0xFFFFFFFFull) {
        throw InputError(utf8FromPath(output) + ": the package's totals exceed 4 GiB");
    }
    header.totalUnpackedSize = static_cast<u32>(totalUnpacked);
    header.totalPackedSize = static_cast<u32>(totalPacked);
    header.configOffset = packageOffset(out, packageStart, output);

    const std::vector<fmt::u8> packed = compressRecord(record.bytes);
    fmt::ConfigBlockHeader block{};
    std::memcpy(block.magic, fmt::kConfigMagic, sizeof block.magic);
    block.unpackedSize = static_cast<u32>(record.bytes.size());
    block.packedSize = static_cast<u32>(packed.size());
    block.crc = static_cast<u32>(crc32(0, packed.data(), static_cast<uInt>(packed.size())));
    out.write(&block, sizeof block);
    out.write(packed.data(), packed.size());
    packageOffset(out, packageStart, output);
    out.patch(packageStart, &header, sizeof header);

    BuildResult result;
    result.files = state.filesTotal;
    result.unpackedBytes = totalUnpacked;
    result.packageBytes = out.position() - packageStart;
    result.installerBytes = out.position();
    out.commit();
    return result;
}

}  // namespace mkpackage
