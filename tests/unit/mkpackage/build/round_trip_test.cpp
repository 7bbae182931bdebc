// Builds installers and reads them back: the stream and chunk rules, the
// sums, and the contents of every file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "build/bundled_uninstaller.h"
#include "build/package_writer.h"
#include "build_helpers.h"
#include "common/input_error.h"
#include "description/description_reader.h"
#include "description/description_warnings.h"
#include "format/package_reader.h"
#include "starter/starter_product.h"

namespace testing_mkpackage {
namespace {

using fmt::u16;
using fmt::u32;

struct Chunk {
    u32 crc;
    Bytes data;  // compressed bytes, without the checksum
};

// The chunks of a verified file, read straight from the installer bytes.
std::vector<Chunk> chunksOf(const Bytes& installer, const fmt::PackageReport& report, const fmt::VerifiedFile& file) {
    std::size_t at = report.packageStart + file.entryOffset + sizeof(fmt::FileEntry) + file.name.size();
    std::vector<u16> table(file.chunkCount);
    std::memcpy(table.data(), installer.data() + at, 2 * table.size());
    at += 2 * table.size();
    std::vector<Chunk> chunks;
    for (u16 length : table) {
        Chunk chunk;
        std::memcpy(&chunk.crc, installer.data() + at, 4);
        chunk.data.assign(installer.begin() + at + 4, installer.begin() + at + length);
        chunks.push_back(std::move(chunk));
        at += length;
    }
    return chunks;
}

// Decodes a component with a fresh stream of its own and returns its files.
std::vector<Bytes> extract(const Bytes& installer, const fmt::PackageReport& report, std::size_t component) {
    z_stream stream{};
    EXPECT_EQ(inflateInit(&stream), Z_OK);
    std::vector<Bytes> files;
    for (const fmt::VerifiedFile& file : report.components[component].files) {
        Bytes content;
        for (Chunk& chunk : chunksOf(installer, report, file)) {
            std::uint8_t out[32768];
            stream.next_in = chunk.data.data();
            stream.avail_in = static_cast<uInt>(chunk.data.size());
            stream.next_out = out;
            stream.avail_out = sizeof out;
            const int rc = inflate(&stream, Z_PARTIAL_FLUSH);
            EXPECT_TRUE(rc == Z_OK || rc == Z_STREAM_END) << rc;
            content.insert(content.end(), out, out + (sizeof out - stream.avail_out));
        }
        files.push_back(std::move(content));
    }
    inflateEnd(&stream);
    return files;
}

fmt::PackageReport verify(const std::filesystem::path& installer) {
    fmt::PackageReport report = fmt::verifyPackageFile(installer.string());
    EXPECT_EQ(report.defect, "");
    return report;
}

TEST(RoundTrip, ChunkBoundariesAndEmptyFiles) {
    Workspace ws;
    const Bytes exact = textBytes(16384), oneMore = textBytes(16385), big = textBytes(5 * 16384 + 77);
    ws.write("empty.bin", Bytes{});
    ws.write("exact.bin", exact);
    ws.write("one-more.bin", oneMore);
    ws.write("big.bin", big);
    const auto out = ws.build(
        "[[components]]\nname = \"Main\"\n"
        "files = [\"empty.bin\", \"exact.bin\", \"one-more.bin\", \"big.bin\", { source = \"empty.bin\", to = \"last\\\\empty.bin\" }]\n");
    const fmt::PackageReport report = verify(out);
    ASSERT_EQ(report.components.size(), 1u);
    const auto& files = report.components[0].files;
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[0].chunkCount, 0u);
    EXPECT_EQ(files[0].entry.storedSize, 0u);
    EXPECT_EQ(files[1].chunkCount, 1u);
    EXPECT_EQ(files[2].chunkCount, 2u);
    EXPECT_EQ(files[3].chunkCount, 6u);
    EXPECT_EQ(files[4].name, "last\\empty.bin");
    // The first entry follows the header; the package starts 4-aligned right
    // behind the image, whose last byte is the stub's 0x90 padding.
    const Bytes image = readFile(ws.path("stub.exe"));
    EXPECT_EQ(image.size() % 4, 1u);
    EXPECT_EQ(report.packageStart % 4, 0u);
    const Bytes written = readFile(out);
    EXPECT_EQ(written[report.packageStart - 4], 0x90);
    EXPECT_EQ(Bytes(written.begin() + report.packageStart - 3, written.begin() + report.packageStart), Bytes(3, 0));
    EXPECT_EQ(report.components[0].record.firstEntryOffset, 28u);

    const Bytes installer = readFile(out);
    const std::vector<Bytes> contents = extract(installer, report, 0);
    EXPECT_TRUE(contents[0].empty());
    EXPECT_EQ(contents[1], exact);
    EXPECT_EQ(contents[2], oneMore);
    EXPECT_EQ(contents[3], big);
    // The second chunk of a 16,385-byte file unpacks to one byte.
    const std::vector<Chunk> chunks = chunksOf(installer, report, files[2]);
    EXPECT_EQ(chunks[1].crc, static_cast<u32>(crc32(0, oneMore.data() + 16384, 1)));

    // Every chunk but the component's last ends in a sync flush.
    std::vector<Chunk> all;
    for (const auto& f : files) {
        for (auto& c : chunksOf(installer, report, f)) all.push_back(std::move(c));
    }
    const std::uint8_t tail[4] = {0x00, 0x00, 0xFF, 0xFF};
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        ASSERT_GE(all[i].data.size(), 4u);
        EXPECT_EQ(std::memcmp(all[i].data.data() + all[i].data.size() - 4, tail, 4), 0) << "chunk " << i;
    }
    EXPECT_NE(std::memcmp(all.back().data.data() + all.back().data.size() - 4, tail, 4), 0);
    EXPECT_EQ(all.front().data[0], 0x78);  // zlib header
}

TEST(RoundTrip, IncompressiblePieceStaysWithinItsChunkLimit) {
    Workspace ws;
    const Bytes noise = randomBytes(3 * 16384, 1);
    ws.write("noise.bin", noise);
    const auto out = ws.build("[[components]]\nname = \"Noise\"\nfiles = [\"noise.bin\"]\n");
    const fmt::PackageReport report = verify(out);
    const Bytes installer = readFile(out);
    // Stored blocks: checksum 4 + zlib header 2 (first chunk only) + block
    // head 5 + 16,384 data + the sync marker 5, or the trailer 4 at the end.
    std::vector<std::size_t> lengths;
    for (const Chunk& chunk : chunksOf(installer, report, report.components[0].files[0])) {
        lengths.push_back(chunk.data.size() + 4);
    }
    EXPECT_EQ(lengths, (std::vector<std::size_t>{16400, 16398, 16397}));
    EXPECT_EQ(extract(installer, report, 0)[0], noise);
}

TEST(RoundTrip, LaterFilesReferBackIntoEarlierOnes) {
    Workspace ws;
    const Bytes noise = randomBytes(12000, 2);
    ws.write("a.bin", noise);
    ws.write("b.bin", noise);
    const auto out = ws.build("[[components]]\nname = \"Twins\"\nfiles = [\"a.bin\", \"b.bin\"]\n");
    const fmt::PackageReport report = verify(out);
    const auto& files = report.components[0].files;
    EXPECT_GT(files[0].entry.storedSize, 12000u);
    EXPECT_LT(files[1].entry.storedSize, 200u);
    const std::vector<Bytes> contents = extract(readFile(out), report, 0);
    EXPECT_EQ(contents[1], noise);
}

TEST(RoundTrip, SumsOffsetsAndComponentsWithoutData) {
    Workspace ws;
    ws.write("a.txt", textBytes(40000));
    ws.write("e1", Bytes{});
    ws.write("e2", Bytes{});
    ws.write("dir/x.txt", textBytes(100));
    ws.write("dir/sub/y.txt", textBytes(200));
    const auto out = ws.build(
        "[[components]]\nname = \"One\"\nfiles = [\"a.txt\"]\n"
        "[[components]]\nname = \"Only empty\"\nfiles = [\"e1\", \"e2\"]\n"
        "[[components]]\nname = \"None\"\n"
        "[[components]]\nname = \"Folder\"\nfiles = [{ folder = \"dir\", to = \"D\" }]\n");
    const fmt::PackageReport report = verify(out);
    ASSERT_EQ(report.components.size(), 4u);
    EXPECT_EQ(report.components[1].record.packedSize, 0);
    EXPECT_EQ(report.components[2].record.fileCount, 0u);
    EXPECT_EQ(report.components[3].files[0].name, "D\\sub\\y.txt");
    EXPECT_EQ(report.components[3].files[1].name, "D\\x.txt");
    EXPECT_EQ(report.header.fileEntryCount, 5u);
    EXPECT_EQ(report.header.totalUnpackedSize, 40300u);
    EXPECT_EQ(report.settings.defaultSelection, 0xFu);
}

TEST(RoundTrip, ZeroComponents) {
    Workspace ws;
    const auto out = ws.build("");
    const fmt::PackageReport report = verify(out);
    EXPECT_TRUE(report.components.empty());
    EXPECT_EQ(report.header.configOffset, 28u);
    EXPECT_EQ(report.texts[0], "Test Product");
}

TEST(RoundTrip, FileTimeAndAttributesComeFromTheSource) {
    Workspace ws;
    ws.write("old.txt", textBytes(10));
    ws.write("locked.txt", textBytes(10));
    // 2001-09-09 01:46:40 UTC
    std::filesystem::last_write_time(ws.path("old.txt"),
                                     std::filesystem::file_time_type::clock::from_sys(
                                         std::chrono::sys_seconds(std::chrono::seconds(1000000000))));
    std::filesystem::permissions(ws.path("locked.txt"), std::filesystem::perms::owner_read);
    const auto out = ws.build("[[components]]\nname = \"C\"\nfiles = [\"old.txt\", \"locked.txt\"]\n");
    const fmt::PackageReport report = verify(out);
    const auto& files = report.components[0].files;
    const std::uint64_t ticks = (std::uint64_t(files[0].entry.fileTime.high) << 32) | files[0].entry.fileTime.low;
    EXPECT_EQ(ticks, 1000000000ull * 10000000ull + 116444736000000000ull);
    EXPECT_EQ(files[0].entry.attributes, 0x20u);
    EXPECT_EQ(files[1].entry.attributes, 0x21u);
}

TEST(RoundTrip, RecordLayoutOfTextsPagesAndUninstaller) {
    Workspace ws;
    const auto out = ws.build(
        "[texts]\nmsgConfirmInstall = \"Install?\"\n"
        "[[pages]]\nitems = [{ text = \"Hi\", flags = [\"bold\"] }, { space-above = -3 }, { destination-group = true }]\n");
    const fmt::PackageReport report = verify(out);
    EXPECT_EQ(report.texts[offsetof(fmt::TextSlots, msgConfirmInstall) / 4], "Install?");
    EXPECT_EQ(report.texts[offsetof(fmt::TextSlots, captionYes) / 4], "&Yes");
    // Left out, a product text is made from the name; the unused slot stays empty.
    EXPECT_EQ(report.texts[offsetof(fmt::TextSlots, titleError) / 4], "Test Product Setup Error");
    EXPECT_EQ(report.texts[offsetof(fmt::TextSlots, unused128) / 4], "");
    // The first text lies at the start of the data area.
    u32 first;
    std::memcpy(&first, report.record.data(), 4);
    EXPECT_EQ(first, fmt::kDataAreaOffset);
    ASSERT_EQ(report.pages.size(), 1u);
    EXPECT_EQ(report.pages[0][0].head.flags, fmt::kItemBold);
    EXPECT_EQ(report.pages[0][1].value, -3);
    EXPECT_EQ(report.pages[0][2].head.dataSize, 0u);
    // Unused page slots hold the end of the page data.
    u32 page0, page1, component0;
    std::memcpy(&page0, report.record.data() + offsetof(fmt::SetupConfig, pages), 4);
    std::memcpy(&page1, report.record.data() + offsetof(fmt::SetupConfig, pages) + 4, 4);
    std::memcpy(&component0, report.record.data() + offsetof(fmt::SetupConfig, components), 4);
    EXPECT_EQ(page1, page0 + 3 * 12 + 3 + 4 + 12);
    EXPECT_EQ(component0, page1);
    EXPECT_EQ(report.uninstallTexts[0], "UnInstall Test Product");
    EXPECT_EQ(report.uninstall.firstEntryOffset, 110 + report.uninstall.usedBytes);
}

// A component's whole zlib stream as zlib writes it in one call at level 9.
Bytes zlibStream(const Bytes& data) {
    Bytes stream(compressBound(static_cast<uLong>(data.size())));
    uLongf length = static_cast<uLongf>(stream.size());
    EXPECT_EQ(compress2(stream.data(), &length, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
    stream.resize(length);
    return stream;
}

TEST(Build, SameBytesWhateverTheNumberOfWorkers) {
    Workspace ws;
    const Bytes noise = randomBytes(16384, 21);
    // In storage order: a folder's files grouped by extension, case
    // ignored, those without one first.
    const std::vector<std::pair<std::string, Bytes>> sources = {
        {"mixed/readme", textBytes(300)},
        {"mixed/b.bin", noise},  // stored
        {"mixed/e.bin", randomBytes(5000, 22)},
        {"mixed/f.bin", noise},  // within reach of the copy before it
        {"mixed/a.txt", textBytes(40000)},
        {"mixed/c.txt", textBytes(100)},
        {"mixed/d.txt", Bytes{}},
        {"mixed/g.TXT", textBytes(40 * 16384 + 5)},  // more pieces than the pool holds at once
        {"one/piece.txt", textBytes(16384)},
        {"empty/x", Bytes{}},
        {"empty/y", Bytes{}},
    };
    for (const auto& [name, data] : sources) ws.write(name, data);
    const std::string body =
        "[[components]]\nname = \"Mixed\"\nfiles = [{ folder = \"mixed\" }]\n"
        "[[components]]\nname = \"One piece\"\nfiles = [\"one/piece.txt\"]\n"
        "[[components]]\nname = \"Zero bytes\"\nfiles = [{ folder = \"empty\" }]\n";
    const Bytes installer = readFile(ws.build(body, "one.exe", 1));
    for (const unsigned jobs : {2u, 8u}) EXPECT_EQ(readFile(ws.build(body, "more.exe", jobs)), installer) << jobs;

    const fmt::PackageReport report = verify(ws.path("one.exe"));
    ASSERT_EQ(report.components.size(), 3u);
    std::size_t next = 0;
    for (std::size_t c = 0; c < 2; ++c) {
        for (const Bytes& content : extract(installer, report, c)) EXPECT_EQ(content, sources[next++].second) << next;
    }
    const auto& mixed = report.components[0].files;
    EXPECT_EQ(mixed[1].entry.storedSize, 2 + 4 + 5 + 16384 + 5);
    EXPECT_LT(mixed[3].entry.storedSize, 200u);
    // One piece: one chunk that is the whole stream, header and trailer.
    const std::vector<Chunk> chunks = chunksOf(installer, report, report.components[1].files[0]);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].data, zlibStream(sources[8].second));
    EXPECT_EQ(report.components[2].record.packedSize, 0);
    EXPECT_EQ(report.components[2].files.size(), 2u);
}

TEST(Build, SameInputsGiveTheSameBytes) {
    Workspace ws;
    ws.write("dir/b.txt", textBytes(30000));
    ws.write("dir/a.txt", randomBytes(20000, 3));
    const std::string body = "[[components]]\nname = \"C\"\nfiles = [{ folder = \"dir\" }, { glob = \"dir/*.txt\", to = \"G\" }]\n";
    const Bytes first = readFile(ws.build(body, "one.exe"));
    const Bytes second = readFile(ws.build(body, "two.exe"));
    EXPECT_EQ(first, second);
}

TEST(Build, RefusesAnImageThatAlreadyHoldsAPackage) {
    Workspace ws;
    Bytes image(4096, 0);
    std::memcpy(image.data() + 2048, "VeLo", 4);
    const u32 signature = fmt::kPackageSignature;
    std::memcpy(image.data() + 2052, &signature, 4);
    ws.write("stub.exe", image);
    EXPECT_THROW(ws.build(""), mkpackage::InputError);
    EXPECT_FALSE(std::filesystem::exists(ws.path("setup.exe")));

    // Off the 4-byte grid the setup program never sees it: accepted. (The
    // bytes behind the image's sections stay there, moved by whole file
    // alignments when its resources grow.)
    ImageShape large;
    large.size = 4096;
    Bytes shifted = makeProgramImage(large);
    std::memcpy(shifted.data() + 2050, "VeLo", 4);
    std::memcpy(shifted.data() + 2054, &signature, 4);
    ws.write("stub.exe", shifted);
    EXPECT_GE(verify(ws.build("")).packageStart, 4096u);

    // A signed image: the package would follow the signature, out of the
    // setup program's sight.
    Bytes image1001(1001, 0x90);
    image1001[0] = 'M';
    image1001[1] = 'Z';
    ws.write("stub.exe", withSignature(image1001, certificateRecord(100)));
    try {
        ws.build("");
        ADD_FAILURE() << "a signed image was accepted";
    } catch (const mkpackage::InputError& e) {
        EXPECT_NE(std::string(e.what()).find("the program image is signed"), std::string::npos) << e.what();
    }
}

TEST(Build, LeavesNoFileBehindOnFailure) {
    for (const unsigned jobs : {1u, 8u}) {
        SCOPED_TRACE(jobs);
        Workspace ws;
        ws.write("a.txt", textBytes(200000));  // pieces still in flight when b.txt fails
        ws.write("b.txt", textBytes(10));
        ws.write("product.toml", std::string(kProduct) + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\", \"b.txt\"]\n");
        const mkpackage::Description description = mkpackage::readDescription(ws.descriptionPath());
        std::filesystem::remove(ws.path("b.txt"));  // gone between reading and writing
        mkpackage::BuildOptions options;
        options.jobs = jobs;
        EXPECT_THROW(mkpackage::writeInstaller(description, ws.path("stub.exe"), ws.path("out.exe"), options),
                     mkpackage::InputError);
        for (const auto& entry : std::filesystem::directory_iterator(ws.dir())) {
            EXPECT_NE(entry.path().filename().string().rfind(".out.exe", 0), 0u) << entry.path();
            EXPECT_NE(entry.path().filename(), "out.exe");
        }
    }
}

TEST(Build, StarterProductBuildsAndVerifies) {
    Workspace ws;
    mkpackage::writeStarterProduct(ws.path("starter"), "Starter \xC3\x9C" "ber");
    EXPECT_THROW(mkpackage::writeStarterProduct(ws.path("starter")), mkpackage::InputError);
    mkpackage::Description description = mkpackage::readDescription(ws.path("starter/product.toml"));
    ws.write("uninstall.exe", makeProgramImage());
    mkpackage::addBundledUninstaller(description, ws.path("uninstall.exe"));
    // Its texts are left to the defaults: none is empty where it is shown.
    for (const mkpackage::Warning& w : mkpackage::findWarnings(description)) ADD_FAILURE() << mkpackage::formatWarning(description, w);
    mkpackage::writeInstaller(description, ws.path("stub.exe"), ws.path("starter.exe"));
    const fmt::PackageReport report = verify(ws.path("starter.exe"));
    EXPECT_EQ(report.texts[0], "Starter \xDC" "ber");
    EXPECT_EQ(report.pages.size(), 5u);
    EXPECT_EQ(report.settings.directXPageIndex, -1);
    ASSERT_EQ(report.pages.size(), 5u);
    EXPECT_EQ(report.pages[4][12].head.type, fmt::kItemRequiredSpaceText);
    EXPECT_EQ(report.blobs.size(), 6u);
}

TEST(Locate, FindsASignatureAcrossAScanStep) {
    // The pair straddles the border of the first 32 KiB step.
    std::string data(70000, '\0');
    std::memcpy(data.data() + 32764, "VeLo", 4);
    const u32 signature = fmt::kPackageSignature;
    std::memcpy(data.data() + 32768, &signature, 4);
    std::istringstream in(data);
    EXPECT_EQ(fmt::locatePackage(in, data.size()), std::optional<std::uint64_t>(32764));
    // The magic text with another number behind it is passed over.
    std::string other(data);
    other[32768] = 0;
    std::istringstream in2(other);
    EXPECT_EQ(fmt::locatePackage(in2, other.size()), std::nullopt);
}

}  // namespace
}  // namespace testing_mkpackage
