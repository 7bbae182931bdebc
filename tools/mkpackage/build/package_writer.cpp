#include "build/package_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "build/config_record.h"
#include "build/extension_records.h"
#include "build/file_entry_head.h"
#include "build/lzma_component_writer.h"
#include "build/program_image.h"
#include "build/signed_image.h"
#include "common/file_open.h"
#include "common/input_error.h"
#include "compress/chunk_compressor.h"
#include "compress/piece_pool.h"
#include "format/extension_writer.h"
#include "format/package_reader.h"
#include "format/stream_methods.h"
#include "output/output_file.h"
#include "sources/file_facts.h"

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

// The last 32 KiB of a component's input before the next piece, across
// file boundaries: the dictionary of that piece.
class InputHistory {
public:
    void clear() { bytes_.clear(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }

    // Becomes the last kDictionarySize bytes of `input`: a piece's
    // dictionary followed by the piece.
    void keepTail(const std::vector<std::uint8_t>& input) {
        const std::size_t keep = std::min(input.size(), kDictionarySize);
        bytes_.assign(input.end() - static_cast<std::ptrdiff_t>(keep), input.end());
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Writes one component: reads its files piece by piece into the pool, and
// writes each entry's header, chunk table and chunks as the pieces come
// back in order.
class ComponentWriter {
public:
    ComponentWriter(OutputFile& out, const Description& description, PiecePool& pool, BuildProgress& progress,
                    const std::function<void(const BuildProgress&)>& report)
        : out_(out), description_(description), pool_(pool), progress_(progress), report_(report) {}

    // Writes the entries of component `index`; returns its packed size.
    std::uint64_t write(std::size_t index) {
        const ComponentSpec& component = description_.components[index];
        index_ = index;
        files_ = &component.files;
        nextHeader_ = 0;
        packed_ = 0;
        firstChunk_ = true;
        frame_ = StreamFrame();
        history_.clear();
        // The stream ends with the last piece of the last file that has data.
        std::size_t lastWithData = component.files.size();
        for (std::size_t f = 0; f < component.files.size(); ++f) {
            if (component.files[f].size != 0) lastWithData = f;
        }
        for (std::size_t f = 0; f < component.files.size(); ++f) readFile(f, f == lastWithData);
        while (!pool_.empty()) writeOldestChunk();
        writeHeadersThrough(component.files.size());
        return packed_;
    }

private:
    [[noreturn]] void fail(const SourceFile& file, const std::string& what) const {
        throw errorAt(description_.file, file.line, "files", "\"" + utf8FromPath(file.path) + "\": " + what);
    }

    // Hands the pieces of file `f` to the pool, writing finished chunks
    // whenever the pool is full.
    void readFile(std::size_t f, bool endsStream) {
        const SourceFile& file = (*files_)[f];
        FileHandle in(openForReading(file.path));
        if (!in) fail(file, std::string("cannot open: ") + std::strerror(errno));
        u32 remaining = file.size;
        for (u32 c = 0; remaining != 0; ++c) {
            const u32 pieceSize = std::min(remaining, fmt::kChunkSize);
            if (pool_.full()) writeOldestChunk();
            PieceJob& job = pool_.next();
            job.dictionarySize = history_.size();
            job.input.resize(history_.size() + pieceSize);
            std::copy(history_.data(), history_.data() + history_.size(), job.input.begin());
            if (std::fread(job.input.data() + job.dictionarySize, 1, pieceSize, in.get()) != pieceSize) {
                fail(file, std::ferror(in.get()) ? "read error" : "file became shorter while it was read");
            }
            remaining -= pieceSize;
            job.last = endsStream && remaining == 0;
            job.file = f;
            job.chunk = c;
            history_.keepTail(job.input);
            pool_.submit();
        }
        if (std::fgetc(in.get()) != EOF) fail(file, "file became longer while it was read");
    }

    // Writes the headers, names and empty chunk tables of the files before
    // `end` not yet begun; a file without data is done with its header.
    void writeHeadersThrough(std::size_t end) {
        for (; nextHeader_ < end; ++nextHeader_) {
            const SourceFile& file = (*files_)[nextHeader_];
            currentFile_ = nextHeader_;
            entryOffset_ = out_.position();
            writeFileEntryHead(out_, file, index_, 0);
            tableOffset_ = out_.position();
            const u32 chunks = fmt::chunkCount(file.size);
            out_.writeZeros(2 * std::size_t(chunks));
            stored_ = 2 * std::uint64_t(chunks);
            if (chunks == 0) fileDone();
        }
    }

    // Writes the oldest piece's chunk into its entry: the checksum, then the
    // stream's header before the component's first piece and its trailer
    // after the last.
    void writeOldestChunk() {
        PieceJob& job = pool_.oldest();
        const SourceFile& file = (*files_)[job.file];
        writeHeadersThrough(job.file + 1);
        const CompressedPiece& piece = job.result;
        frame_.add(piece, job.pieceSize());
        const std::size_t header = firstChunk_ ? StreamFrame::kHeader.size() : 0;
        const std::size_t trailer = job.last ? 4 : 0;
        const std::size_t length = fmt::kChunkCrcSize + header + piece.data.size() + trailer;
        if (length > fmt::kMaxChunkLength) fail(file, "a chunk compresses to more than " + std::to_string(fmt::kMaxChunkLength) + " bytes");
        out_.write(&piece.crc, 4);
        if (header != 0) out_.write(StreamFrame::kHeader.data(), header);
        out_.write(piece.data.data(), piece.data.size());
        if (job.last) out_.write(frame_.trailer().data(), trailer);
        const fmt::u16 tableValue = static_cast<fmt::u16>(length);
        out_.patch(tableOffset_ + 2 * std::uint64_t(job.chunk), &tableValue, 2);
        stored_ += length;
        firstChunk_ = false;
        progress_.bytesDone += job.pieceSize();
        const bool lastOfFile = job.chunk + 1 == fmt::chunkCount(file.size);
        pool_.pop();
        if (lastOfFile) {
            fileDone();
        } else if (report_) {
            report_(progress_);
        }
    }

    // Fills in FileEntry.storedSize of the entry just finished.
    void fileDone() {
        const SourceFile& file = (*files_)[currentFile_];
        if (stored_ > 0xFFFFFFFFull) fail(file, "stored size exceeds 4 GiB");
        const u32 storedSize = static_cast<u32>(stored_);
        out_.patch(entryOffset_ + offsetof(fmt::FileEntry, storedSize), &storedSize, 4);
        packed_ += storedSize;
        ++progress_.filesDone;
        if (report_) report_(progress_);
    }

    OutputFile& out_;
    const Description& description_;
    PiecePool& pool_;
    BuildProgress& progress_;
    const std::function<void(const BuildProgress&)>& report_;

    std::size_t index_ = 0;
    const std::vector<SourceFile>* files_ = nullptr;
    InputHistory history_;
    StreamFrame frame_;
    bool firstChunk_ = true;
    std::uint64_t packed_ = 0;
    // The entry being written and the first file whose header is not yet out.
    std::size_t currentFile_ = 0, nextHeader_ = 0;
    std::uint64_t entryOffset_ = 0, tableOffset_ = 0, stored_ = 0;
};

}  // namespace

void checkProgramImage(const fs::path& image) {
    refuseUnlessFile(image, "the program image");
    std::ifstream in(image, std::ios::binary);
    if (!in) throw InputError(utf8FromPath(image) + ": cannot open the program image");
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    if (size == 0) throw InputError(utf8FromPath(image) + ": the program image is empty");
    refuseSignedImage(image);
    if (const std::optional<std::uint64_t> found = fmt::locatePackage(in, size)) {
        throw InputError(utf8FromPath(image) + ": the program image already holds a package signature at offset " +
                         std::to_string(*found) + "; the setup program would find it instead of the new package");
    }
}

unsigned defaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, kMaxJobs);
}

BuildResult writeInstaller(const Description& description, const fs::path& image, const fs::path& output,
                           const BuildOptions& options) {
    ConfigRecord record = buildConfigRecord(description);
    checkProgramImage(image);

    BuildProgress state;
    for (const ComponentSpec& component : description.components) {
        state.filesTotal += component.files.size();
        for (const SourceFile& file : component.files) state.bytesTotal += file.size;
    }

    ImageBytes imageBytes;
    {
        std::ifstream in(image, std::ios::binary);
        imageBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad() || !in.is_open()) throw InputError(utf8FromPath(image) + ": cannot read the program image");
    }
    imageBytes = programImageFor(description, imageBytes, image);

    OutputFile out(output);
    out.write(imageBytes.data(), imageBytes.size());
    out.writeZeros((4 - out.position() % 4) % 4);
    const std::uint64_t packageStart = out.position();

    fmt::PackageHeader header{};
    std::memcpy(header.magic, fmt::kPackageMagic, 4);
    header.signature = fmt::kPackageSignature;
    header.reserved = description.codePage;  // for inspect, which prints the texts
    out.write(&header, sizeof header);

    const unsigned jobs = std::clamp(options.jobs, 1u, kMaxJobs);
    PiecePool pool(jobs);
    ComponentWriter writer(out, description, pool, state, options.progress);
    // An LZMA package's blocks go in front of each component's entries, and
    // the stream-methods record tells the setup program where.
    const bool lzma = description.compression == fmt::kStreamMethodLzma;
    std::unique_ptr<LzmaBlockPool> blockPool;
    if (lzma) blockPool = std::make_unique<LzmaBlockPool>(jobs, description.lzmaBlockSize);
    std::vector<fmt::StreamMethodEntry> methods;
    std::uint64_t totalUnpacked = 0, totalPacked = 0;
    for (std::size_t c = 0; c < description.components.size(); ++c) {
        const ComponentSpec& component = description.components[c];
        std::uint64_t packed = 0;
        u32 first = 0;
        if (lzma) {
            const LzmaComponentResult written =
                writeLzmaComponent(out, description, c, *blockPool, state, options.progress);
            fmt::StreamMethodEntry method{};
            method.method = fmt::kStreamMethodLzma;
            method.blockSize = description.lzmaBlockSize;
            method.blockCount = written.blockCount;
            if (written.blockCount != 0) method.blocksOffset = static_cast<u32>(written.blocksOffset - packageStart);
            methods.push_back(method);
            packed = written.packed;
            packageOffset(out, packageStart, output);
            first = static_cast<u32>(written.entriesOffset - packageStart);
        } else {
            first = packageOffset(out, packageStart, output);
            packed = writer.write(c);
        }
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
    std::vector<fmt::ExtensionRecordData> extensions = extensionRecords(description);
    if (lzma) {
        std::vector<fmt::u8> record(methods.size() * sizeof(fmt::StreamMethodEntry));
        if (!record.empty()) std::memcpy(record.data(), methods.data(), record.size());
        extensions.push_back({fmt::kExtensionStreamMethods, std::move(record)});
    }
    if (!extensions.empty()) {
        setExtensionTable(record, packageOffset(out, packageStart, output));
        const std::vector<fmt::u8> table = fmt::writeExtensionTable(extensions);
        out.write(table.data(), table.size());
    }
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
    out.commit(options.finish);
    return result;
}

}  // namespace mkpackage
