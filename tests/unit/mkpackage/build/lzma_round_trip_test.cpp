// Builds LZMA installers and reads them back with the verifier and with the
// setup program's own stream reader: the blocks, the chunk checksums, the
// same bytes for any number of workers, and damage found where it hits.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "build_helpers.h"
#include "format/package_reader.h"
#include "inspect/package_listing.h"
#include "format/stream_methods.h"
#include "package/component_stream.h"

namespace testing_mkpackage {
namespace {

using fmt::u32;

const std::string kLzmaOptions = "[options]\ncompression = \"lzma\"\ndictionary-mib = 1\n";

// The files of one component, written into the workspace; the description's
// files line names them in order.
struct PayloadFile {
    std::string name;
    Bytes data;
};

std::vector<PayloadFile> mixedPayload() {
    Bytes mixed = textBytes(700000);
    const Bytes noise = randomBytes(300000, 7);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    return {{"empty.bin", {}},       {"one.bin", Bytes{42}},          {"exact.bin", textBytes(16384)},
            {"more.bin", textBytes(16385)}, {"mixed.bin", mixed},     {"again.bin", mixed},
            {"tail.bin", randomBytes(5000, 3)}};
}

std::string writePayload(const Workspace& ws, const std::vector<PayloadFile>& files) {
    std::string list;
    for (const PayloadFile& f : files) {
        ws.write(f.name, f.data);
        list += (list.empty() ? "\"" : ", \"") + f.name + "\"";
    }
    return "[[components]]\nname = \"Main\"\nfiles = [" + list + "]\n";
}

// The setup program's reader over an installer in memory: entries read in
// order from the first entry, blocks read where the record places them.
class InstallerBytes : public setup::StreamCallbacks {
public:
    InstallerBytes(const Bytes& installer, std::uint64_t packageStart, u32 firstEntry)
        : bytes_(installer), start_(packageStart), at_(packageStart + firstEntry) {}
    void read(void* buffer, u32 count) override {
        if (at_ + count > bytes_.size()) throw std::runtime_error("short read");
        std::memcpy(buffer, bytes_.data() + at_, count);
        at_ += count;
    }
    bool readAt(u32 offset, void* buffer, u32 count) override {
        if (start_ + offset + count > bytes_.size()) return false;
        std::memcpy(buffer, bytes_.data() + start_ + offset, count);
        return true;
    }
    void write(const fmt::u8* bytes, u32 count) override {
        file.insert(file.end(), bytes, bytes + count);
        total += count;
    }
    void chunkDone(u32 packed) override { consumed += packed; }
    void pump() override {}

    Bytes file;
    std::uint64_t consumed = 0, total = 0;

private:
    const Bytes& bytes_;
    std::uint64_t start_, at_;
};

// Decodes blocks on a thread of its own, as the setup program's worker does.
class ThreadWorker final : public setup::BlockWorker {
public:
    ~ThreadWorker() { join(); }
    void start(Job job, void* context) override {
        ++jobs;
        thread_ = std::thread([job, context] { job(context, nullptr); });
    }
    void finish(setup::StreamCallbacks&) override { join(); }

    int jobs = 0;

private:
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    std::thread thread_;
};

// Decodes every file of component 0 as the setup program does, its blocks
// decoded ahead by `worker` when one is given; returns the first failure or
// kStreamOk, and in `written` the bytes handed on before it.
setup::StreamResult extractWithSetupReader(const Bytes& installer, const fmt::PackageReport& report,
                                           std::vector<Bytes>* files = nullptr, setup::BlockWorker* worker = nullptr,
                                           std::uint64_t* written = nullptr) {
    const fmt::VerifiedComponent& component = report.components.at(0);
    InstallerBytes io(installer, report.packageStart, component.record.firstEntryOffset);
    setup::ComponentStream stream{};
    setup::StreamResult result = component.method.method == fmt::kStreamMethodLzma
                                     ? setup::openLzmaComponentStream(stream, component.method,
                                                                      component.record.firstEntryOffset, worker)
                                     : setup::openComponentStream(stream);
    for (u32 f = 0; result == setup::kStreamOk && f < component.record.fileCount; ++f) {
        setup::EntryBuffers entry;
        io.file.clear();
        result = setup::readFileEntry(entry, io);
        if (result == setup::kStreamOk) result = setup::inflateFileData(stream, entry.header, io);
        if (files) files->push_back(io.file);
    }
    if (result == setup::kStreamOk) {
        EXPECT_EQ(io.consumed, static_cast<u32>(component.record.packedSize));
    }
    if (written) *written = io.total;
    setup::settleLzmaBlocks(stream.lzma, io);
    setup::closeComponentStream(stream);
    setup::freeLzmaBlocks(stream.lzma);
    std::free(stream.input);
    std::free(stream.output);
    return result;
}

TEST(LzmaRoundTrip, FilesComeBackThroughBothReaders) {
    Workspace ws;
    const std::vector<PayloadFile> payload = mixedPayload();
    const auto out = ws.build(writePayload(ws, payload) + kLzmaOptions);
    std::vector<Bytes> seen(payload.size());
    const fmt::PackageReport report = fmt::verifyPackageFile(
        out.string(), [&](std::size_t, std::size_t file, const fmt::u8* data, std::size_t size) {
            seen[file].insert(seen[file].end(), data, data + size);
        });
    ASSERT_EQ(report.defect, "");
    const fmt::VerifiedComponent& component = report.components.at(0);
    EXPECT_EQ(component.method.method, fmt::kStreamMethodLzma);
    EXPECT_EQ(component.method.blockSize, 1024u * 1024);
    EXPECT_GE(component.method.blockCount, 2u);  // 2.4 MB in blocks of 1 MiB
    for (const fmt::VerifiedFile& file : component.files)
        EXPECT_EQ(file.entry.storedSize, 6 * file.chunkCount) << file.name;  // table value and checksum alone

    for (const bool ahead : {false, true}) {
        ThreadWorker worker;
        std::vector<Bytes> extracted;
        ASSERT_EQ(extractWithSetupReader(readFile(out), report, &extracted, ahead ? &worker : nullptr),
                  setup::kStreamOk);
        for (std::size_t f = 0; f < payload.size(); ++f) {
            EXPECT_EQ(seen[f], payload[f].data) << payload[f].name;
            EXPECT_EQ(extracted[f], payload[f].data) << payload[f].name << (ahead ? " decoded ahead" : "");
        }
        // Every block but none twice went to the worker.
        if (ahead) EXPECT_EQ(worker.jobs, static_cast<int>(component.method.blockCount));
    }
    // inspect names the method and the blocks of the component.
    std::ostringstream listing, errors;
    mkpackage::printReport(report, listing, errors);
    EXPECT_NE(listing.str().find(", lzma in " + std::to_string(component.method.blockCount) +
                                 " blocks of at most 1048576 bytes"),
              std::string::npos)
        << listing.str();
    EXPECT_EQ(errors.str(), "");

    // The repeated file is found in the dictionary: far smaller than zlib's.
    const auto zlib = ws.build(writePayload(ws, payload), "zlib.exe");
    EXPECT_LT(readFile(out).size(), readFile(zlib).size());
}

TEST(LzmaRoundTrip, SameBytesForAnyNumberOfWorkers) {
    Workspace ws;
    const std::string body = writePayload(ws, mixedPayload()) + kLzmaOptions;
    const Bytes one = readFile(ws.build(body, "one.exe", 1));
    for (unsigned jobs : {2u, 8u}) EXPECT_EQ(readFile(ws.build(body, "many.exe", jobs)), one) << jobs << " workers";
}

TEST(LzmaRoundTrip, ZlibStaysTheDefaultWithoutARecord) {
    Workspace ws;
    const std::string body = writePayload(ws, mixedPayload());
    const auto plain = ws.build(body, "plain.exe");
    const auto named = ws.build(body + "[options]\ncompression = \"zlib\"\n", "named.exe");
    EXPECT_EQ(readFile(plain), readFile(named));
    const fmt::PackageReport report = fmt::verifyPackageFile(plain.string());
    ASSERT_EQ(report.defect, "");
    EXPECT_EQ(report.settings.extensionTable, 0u);  // no record, no table: the package as it always was
    EXPECT_EQ(report.components[0].method.method, fmt::kStreamMethodZlib);
}

// One bit flipped at a place the table names: the verifier's defect and the
// setup program's reader's error code.
TEST(LzmaRoundTrip, DamageIsFoundWhereItHits) {
    Workspace ws;
    const auto out = ws.build(writePayload(ws, mixedPayload()) + kLzmaOptions);
    const Bytes installer = readFile(out);
    const fmt::PackageReport report = fmt::verifyPackageFile(out.string());
    ASSERT_EQ(report.defect, "");
    const fmt::VerifiedComponent& component = report.components[0];
    const std::uint64_t blocks = report.packageStart + component.method.blocksOffset;
    const fmt::VerifiedFile& mixed = component.files[4];
    const std::uint64_t mixedChunks = report.packageStart + mixed.entryOffset + sizeof(fmt::FileEntry) +
                                      mixed.name.size() + 2 * mixed.chunkCount;
    fmt::LzmaBlockHeader first;
    std::memcpy(&first, installer.data() + blocks, sizeof first);
    const std::uint64_t second = blocks + sizeof first + first.packedSize;
    struct Case {
        const char* name;
        std::uint64_t offset;
        std::string defect;
        setup::StreamResult setupResult;
        std::uint64_t writtenBefore;  // by the setup program's reader, before it fails
    } cases[] = {
        {"FirstBlockData", blocks + sizeof first + 100, "crc32 of its data differs", setup::kStreamBadCrc, 0},
        {"FirstBlockSize", blocks + offsetof(fmt::LzmaBlockHeader, unpackedSize) + 2, "header has a size outside",
         setup::kStreamCorrupt, 0},
        {"FirstBlockMagic", blocks, "does not begin with \"LZBK\"", setup::kStreamCorrupt, 0},
        {"FirstBlockProperties", blocks + offsetof(fmt::LzmaBlockHeader, properties), "LZMA properties",
         setup::kStreamCorrupt, 0},
        // Read ahead while the first block's files are written, reported
        // only where its first piece is needed.
        {"SecondBlockData", second + sizeof first + 7, "block 1: crc32 of its data differs", setup::kStreamBadCrc,
         first.unpackedSize},
        {"ChunkChecksum", mixedChunks + 4 * 10 + 1, "chunk 10: CRC-32 differs", setup::kStreamBadCrc,
         1 + 16384 + 16385 + 10 * 16384},
    };
    for (const Case& c : cases) {
        Bytes damaged = installer;
        damaged[c.offset] ^= 0x20;
        const auto path = ws.path(std::string(c.name) + ".exe");
        writeFile(path, damaged);
        EXPECT_NE(fmt::verifyPackageFile(path.string()).defect.find(c.defect), std::string::npos) << c.name;
        for (const bool ahead : {false, true}) {
            ThreadWorker worker;
            std::uint64_t written = 0;
            EXPECT_EQ(extractWithSetupReader(damaged, report, nullptr, ahead ? &worker : nullptr, &written),
                      c.setupResult)
                << c.name;
            EXPECT_EQ(written, c.writtenBefore) << c.name << (ahead ? " decoded ahead" : "");
        }
    }
}

TEST(StreamMethods, RecordsAndBlockHeadersAreChecked) {
    auto entry = [](fmt::u8 method, u32 blockSize, u32 offset, u32 count) {
        fmt::StreamMethodEntry e{};
        e.method = method;
        e.blockSize = blockSize;
        e.blocksOffset = offset;
        e.blockCount = count;
        return e;
    };
    using P = fmt::StreamMethodsProblem;
    const u32 mib = 1024 * 1024;
    struct Case {
        const char* name;
        std::vector<fmt::StreamMethodEntry> entries;
        u32 componentCount;
        P expected;
    } cases[] = {
        {"ZlibAndLzma", {entry(0, 0, 0, 0), entry(1, 8 * mib, 28, 3)}, 2, P::none},
        {"LzmaWithoutData", {entry(1, 8 * mib, 0, 0)}, 1, P::none},
        {"OneEntryShort", {entry(1, 8 * mib, 28, 3)}, 2, P::badSize},
        {"TooManyComponents", {}, 33, P::badSize},
        {"UnknownMethod", {entry(2, 8 * mib, 28, 1)}, 1, P::badMethod},
        {"ZlibWithBlocks", {entry(0, 0, 28, 1)}, 1, P::badBlocks},
        {"BlockTooSmall", {entry(1, 64 * 1024 - 1, 28, 1)}, 1, P::badBlockSize},
        {"BlockTooLarge", {entry(1, 12 * mib + 1, 28, 1)}, 1, P::badBlockSize},
        {"BlocksInTheHeader", {entry(1, 8 * mib, 4, 1)}, 1, P::badBlocks},
        {"BlocksBeyond4GiB", {entry(1, 8 * mib, 0xFFFFFF00u, 0x10000000u)}, 1, P::badBlocks},
    };
    for (const Case& c : cases) {
        fmt::StreamMethods methods;
        const auto* data = reinterpret_cast<const fmt::u8*>(c.entries.data());
        EXPECT_EQ(fmt::readStreamMethods(data, c.entries.size() * sizeof(fmt::StreamMethodEntry), c.componentCount,
                                         methods),
                  c.expected)
            << c.name;
        if (c.expected != P::none) {
            EXPECT_EQ(fmt::streamMethodOf(methods, 1), fmt::kStreamMethodZlib) << c.name;
        }
    }
    fmt::StreamMethodEntry reserved = entry(1, 8 * mib, 28, 1);
    reserved.reserved[1] = 1;
    fmt::StreamMethods methods;
    EXPECT_EQ(fmt::readStreamMethods(reinterpret_cast<const fmt::u8*>(&reserved), sizeof reserved, 1, methods),
              P::badMethod);

    auto header = [](u32 unpacked, u32 packed, fmt::u8 properties) {
        fmt::LzmaBlockHeader h{};
        std::memcpy(h.magic, fmt::kLzmaBlockMagic, 4);
        h.unpackedSize = unpacked;
        h.packedSize = packed;
        h.properties[0] = properties;
        return h;
    };
    using B = fmt::LzmaBlockProblem;
    const fmt::u8 usual = (2 * 5 + 0) * 9 + 3;  // pb 2, lp 0, lc 3
    const struct {
        const char* name;
        fmt::LzmaBlockHeader header;
        B expected;
    } blocks[] = {
        {"Usual", header(mib, mib / 2, usual), B::none},
        {"Incompressible", header(mib, fmt::lzmaPackedBound(mib), usual), B::none},
        {"Empty", header(0, 10, usual), B::badSize},
        {"LargerThanItsBlock", header(mib + 1, 10, usual), B::badSize},
        {"NoData", header(mib, 0, usual), B::badSize},
        {"PackedBeyondBound", header(mib, fmt::lzmaPackedBound(mib) + 1, usual), B::badSize},
        {"PropertiesOutOfRange", header(mib, 10, 9 * 5 * 5), B::badProperties},
        {"LiteralTablesTooLarge", header(mib, 10, (0 * 5 + 2) * 9 + 3), B::badProperties},  // lc 3 + lp 2
    };
    for (const auto& b : blocks) EXPECT_EQ(fmt::checkLzmaBlockHeader(b.header, mib), b.expected) << b.name;
    fmt::LzmaBlockHeader wrongMagic = header(mib, 10, usual);
    wrongMagic.magic[3] = 'X';
    EXPECT_EQ(fmt::checkLzmaBlockHeader(wrongMagic, mib), B::badMagic);
}

}  // namespace
}  // namespace testing_mkpackage
