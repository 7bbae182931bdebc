#include "build/lzma_component_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "build/file_entry_head.h"
#include "common/file_open.h"
#include "common/input_error.h"
#include "sources/file_facts.h"

namespace mkpackage {
namespace {

using fmt::u32;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class LzmaComponentWriter {
public:
    LzmaComponentWriter(OutputFile& out, const Description& description, std::size_t index, LzmaBlockPool& pool,
                        BuildProgress& progress, const std::function<void(const BuildProgress&)>& report)
        : out_(out), description_(description), files_(description.components[index].files), index_(index),
          pool_(pool), progress_(progress), report_(report) {}

    LzmaComponentResult write() {
        result_.blocksOffset = out_.position();
        crcs_.resize(files_.size());
        for (std::size_t f = 0; f < files_.size(); ++f) readFile(f);
        if (!block_.empty()) submitBlock();
        while (!pool_.empty()) writeOldestBlock();
        result_.entriesOffset = out_.position();
        for (std::size_t f = 0; f < files_.size(); ++f) writeEntry(f);
        return result_;
    }

private:
    [[noreturn]] void fail(const SourceFile& file, const std::string& what) const {
        throw errorAt(description_.file, file.line, "files", "\"" + utf8FromPath(file.path) + "\": " + what);
    }

    // Adds the pieces of file `f` to the blocks; a piece that would not fit
    // the current block begins the next.
    void readFile(std::size_t f) {
        const SourceFile& file = files_[f];
        std::unique_ptr<std::FILE, FileCloser> in(openForReading(file.path));
        if (!in) fail(file, std::string("cannot open: ") + std::strerror(errno));
        std::uint8_t piece[fmt::kChunkSize];
        for (u32 remaining = file.size; remaining != 0;) {
            const u32 size = std::min(remaining, fmt::kChunkSize);
            if (std::fread(piece, 1, size, in.get()) != size)
                fail(file, std::ferror(in.get()) ? "read error" : "file became shorter while it was read");
            if (block_.size() + size > description_.lzmaBlockSize) submitBlock();
            block_.insert(block_.end(), piece, piece + size);
            crcs_[f].push_back(static_cast<u32>(crc32(0, piece, size)));
            remaining -= size;
        }
        if (std::fgetc(in.get()) != EOF) fail(file, "file became longer while it was read");
    }

    void submitBlock() {
        if (pool_.full()) writeOldestBlock();
        LzmaBlockJob& job = pool_.next();
        job.input.swap(block_);
        block_.clear();
        pool_.submit();
    }

    void writeOldestBlock() {
        LzmaBlockJob& job = pool_.oldest();
        fmt::LzmaBlockHeader header{};
        std::memcpy(header.magic, fmt::kLzmaBlockMagic, sizeof header.magic);
        header.unpackedSize = static_cast<u32>(job.input.size());
        header.packedSize = static_cast<u32>(job.packed.size());
        header.crc = static_cast<u32>(crc32(0, job.packed.data(), static_cast<uInt>(job.packed.size())));
        std::memcpy(header.properties, job.properties, sizeof header.properties);
        out_.write(&header, sizeof header);
        out_.write(job.packed.data(), job.packed.size());
        ++result_.blockCount;
        progress_.bytesDone += job.input.size();
        pool_.pop();
        if (report_) report_(progress_);
    }

    // The entry, its chunk table (every chunk its checksum alone) and the checksums.
    void writeEntry(std::size_t f) {
        const SourceFile& file = files_[f];
        const std::vector<u32>& crcs = crcs_[f];
        const std::uint64_t stored = std::uint64_t(crcs.size()) * (2 + fmt::kChunkCrcSize);
        if (stored > 0xFFFFFFFFull) fail(file, "stored size exceeds 4 GiB");
        writeFileEntryHead(out_, file, index_, static_cast<u32>(stored));
        const std::vector<fmt::u16> table(crcs.size(), static_cast<fmt::u16>(fmt::kChunkCrcSize));
        out_.write(table.data(), 2 * table.size());
        out_.write(crcs.data(), 4 * crcs.size());
        result_.packed += stored;
        ++progress_.filesDone;
        if (report_) report_(progress_);
    }

    OutputFile& out_;
    const Description& description_;
    const std::vector<SourceFile>& files_;
    std::size_t index_;
    LzmaBlockPool& pool_;
    BuildProgress& progress_;
    const std::function<void(const BuildProgress&)>& report_;
    std::vector<std::uint8_t> block_;
    std::vector<std::vector<u32>> crcs_;  // each file's pieces
    LzmaComponentResult result_;
};

}  // namespace

LzmaComponentResult writeLzmaComponent(OutputFile& out, const Description& description, std::size_t index,
                                       LzmaBlockPool& pool, BuildProgress& progress,
                                       const std::function<void(const BuildProgress&)>& report) {
    return LzmaComponentWriter(out, description, index, pool, progress, report).write();
}

}  // namespace mkpackage
