// inspect's verifier names the first defect of a damaged installer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstring>
#include <functional>

#include "build_helpers.h"
#include "format/package_reader.h"

namespace testing_mkpackage {
namespace {

using fmt::u32;

class DamagedInstaller : public ::testing::Test {
protected:
    void SetUp() override {
        ws_.write("a.txt", textBytes(40000));
        ws_.write("b.bin", randomBytes(5000, 9));
        path_ = ws_.build("[[components]]\nname = \"C\"\nfiles = [\"a.txt\", \"b.bin\"]\n");
        bytes_ = readFile(path_);
        report_ = fmt::verifyPackageFile(path_.string());
        ASSERT_EQ(report_.defect, "");
    }

    // Verifies `bytes` and returns the defect it names.
    std::string defectOf(const Bytes& bytes) {
        writeFile(ws_.path("damaged.exe"), bytes);
        return fmt::verifyPackageFile(ws_.path("damaged.exe").string()).defect;
    }

    // Changes the decompressed record and writes a sound configuration block for it.
    Bytes withRecord(const std::function<void(Bytes&)>& change) {
        Bytes record = report_.record;
        change(record);
        uLongf size = compressBound(static_cast<uLong>(record.size()));
        Bytes packed(size);
        compress2(packed.data(), &size, record.data(), static_cast<uLong>(record.size()), 9);
        packed.resize(size);
        Bytes out(bytes_.begin(), bytes_.begin() + static_cast<long>(report_.packageStart + report_.header.configOffset));
        fmt::ConfigBlockHeader block{};
        std::memcpy(block.magic, fmt::kConfigMagic, 8);
        block.unpackedSize = static_cast<u32>(record.size());
        block.packedSize = static_cast<u32>(packed.size());
        block.crc = static_cast<u32>(crc32(0, packed.data(), static_cast<uInt>(packed.size())));
        const auto* head = reinterpret_cast<const std::uint8_t*>(&block);
        out.insert(out.end(), head, head + sizeof block);
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    }

    std::size_t componentField(std::size_t field) const {
        u32 offset;
        std::memcpy(&offset, report_.record.data() + offsetof(fmt::SetupConfig, components), 4);
        return offset + field;
    }

    std::size_t fileOffset(std::size_t entry, std::size_t within) const {
        return report_.packageStart + report_.components[0].files[entry].entryOffset + within;
    }

    Workspace ws_;
    std::filesystem::path path_;
    Bytes bytes_;
    fmt::PackageReport report_;
};

TEST_F(DamagedInstaller, FlippedBitInsideAChunk) {
    Bytes damaged = bytes_;
    // First chunk of a.txt: behind header, name, a table of 3 values and the checksum.
    damaged[fileOffset(0, sizeof(fmt::FileEntry) + 5 + 6 + 4 + 20)] ^= 0x10;
    const std::string defect = defectOf(damaged);
    EXPECT_NE(defect.find("file \"a.txt\" chunk 0"), std::string::npos) << defect;
}

TEST_F(DamagedInstaller, FlippedBitInAChunkChecksum) {
    Bytes damaged = bytes_;
    damaged[fileOffset(0, sizeof(fmt::FileEntry) + 5 + 6)] ^= 0x01;
    EXPECT_NE(defectOf(damaged).find("CRC-32 differs"), std::string::npos);
}

TEST_F(DamagedInstaller, TruncatedFile) {
    Bytes damaged(bytes_.begin(), bytes_.end() - 10);
    EXPECT_NE(defectOf(damaged).find("truncated"), std::string::npos) << defectOf(damaged);
    Bytes halfway(bytes_.begin(), bytes_.begin() + static_cast<long>(fileOffset(1, 40)));
    EXPECT_NE(defectOf(halfway).find("truncated"), std::string::npos);
}

TEST_F(DamagedInstaller, FlippedBitInTheConfigurationBlock) {
    Bytes damaged = bytes_;
    damaged[damaged.size() - 20] ^= 0x04;
    EXPECT_NE(defectOf(damaged).find("crc32 of the compressed record differs"), std::string::npos);
}

TEST_F(DamagedInstaller, BytesAfterTheConfigurationBlock) {
    Bytes damaged = bytes_;
    damaged.push_back(0);
    EXPECT_NE(defectOf(damaged).find("is not last in the file"), std::string::npos);
}

TEST_F(DamagedInstaller, WrongComponentSums) {
    const std::string packed = defectOf(withRecord([&](Bytes& record) {
        record[componentField(offsetof(fmt::Component, packedSize))] ^= 1;
    }));
    EXPECT_NE(packed.find("packedSize"), std::string::npos) << packed;
    const std::string unpacked = defectOf(withRecord([&](Bytes& record) {
        record[componentField(offsetof(fmt::Component, unpackedSize))] ^= 1;
    }));
    EXPECT_NE(unpacked.find("unpackedSize"), std::string::npos) << unpacked;
    const std::string first = defectOf(withRecord([&](Bytes& record) {
        record[componentField(offsetof(fmt::Component, firstEntryOffset))] += 4;
    }));
    EXPECT_NE(first.find("firstEntryOffset"), std::string::npos) << first;
}

TEST_F(DamagedInstaller, WrongHeaderTotals) {
    Bytes damaged = bytes_;
    damaged[report_.packageStart + offsetof(fmt::PackageHeader, totalPackedSize)] ^= 1;
    EXPECT_NE(defectOf(damaged).find("totalPackedSize"), std::string::npos);
}

TEST_F(DamagedInstaller, WrongStoredSize) {
    Bytes damaged = bytes_;
    damaged[fileOffset(1, offsetof(fmt::FileEntry, storedSize))] ^= 1;
    EXPECT_NE(defectOf(damaged).find("storedSize"), std::string::npos);
}

TEST_F(DamagedInstaller, ChunkLengthOutOfRange) {
    Bytes damaged = bytes_;
    const std::size_t table = fileOffset(0, sizeof(fmt::FileEntry) + 5);
    damaged[table] = 3;
    damaged[table + 1] = 0;
    EXPECT_NE(defectOf(damaged).find("is not 4..32772"), std::string::npos);
}

TEST_F(DamagedInstaller, SlotOutsideTheRecordAndBrokenUninstallSection) {
    const std::string slot = defectOf(withRecord([&](Bytes& record) {
        const u32 far = static_cast<u32>(record.size()) + 1;
        std::memcpy(record.data() + 4 * 7, &far, 4);
    }));
    EXPECT_NE(slot.find("slot 7"), std::string::npos) << slot;
    const std::string uninstall = defectOf(withRecord([&](Bytes& record) {
        record[fmt::kUninstallSectionOffset + offsetof(fmt::UninstallHeader, firstEntryOffset)] += 1;
    }));
    EXPECT_NE(uninstall.find("uninstall section"), std::string::npos) << uninstall;
}

TEST_F(DamagedInstaller, ActionCountThatWrapsIn32Bits) {
    // 148 + 2^30 * 396 is 148 again in 32 bits: the count must be judged in 64.
    for (const u32 count : {0x40000000u, 0x0A57EB51u, 0xFFFFFFFFu}) {
        const std::string defect = defectOf(withRecord([&](Bytes& record) {
            std::memcpy(record.data() + componentField(offsetof(fmt::Component, actionCount)), &count, 4);
        }));
        EXPECT_NE(defect.find("component 0 actions at record offset"), std::string::npos) << count << ": " << defect;
    }
}

// A signature behind the package: the verifier steps over it, and names what
// is wrong with a table that does not fit the file.
TEST_F(DamagedInstaller, SignedInstallers) {
    const Bytes table = certificateRecord(1500);
    const Bytes sound = withSignature(bytes_, table);
    const std::size_t tableAt = sound.size() - table.size();
    const auto entry = [](Bytes file, u32 offset, u32 size) {
        std::memcpy(file.data() + kSecurityEntryOffset, &offset, 4);
        std::memcpy(file.data() + kSecurityEntryOffset + 4, &size, 4);
        return file;
    };
    Bytes trailing = sound;
    trailing.resize(trailing.size() + 8, 0);
    Bytes badRecord = sound;
    const u32 tooLong = static_cast<u32>(table.size()) + 8;
    std::memcpy(badRecord.data() + tableAt, &tooLong, 4);
    // An installer whose size is no multiple of 8, so that zeros pad it: 4
    // more bytes of program image shift the package along when needed.
    Bytes unaligned = bytes_;
    if (unaligned.size() % 8 == 0) unaligned.insert(unaligned.begin() + 1000, 4, 0x90);
    const Bytes padded = withSignature(unaligned, table);
    const std::size_t padding = padded.size() - table.size() - unaligned.size();
    Bytes dirtyPadding = padded;
    dirtyPadding[padded.size() - table.size() - 1] = 1;
    const std::string dirtyDefect =
        "configuration block is not last in the package: " + std::to_string(padding) + " bytes follow it";
    const struct {
        const char* what;
        Bytes file;
        std::string defect;  // "" when sound
    } cases[] = {
        {"sound", sound, ""},
        {"bytes after the table", trailing, "certificate table: 8 bytes follow it"},
        {"record longer than the table", badRecord, "certificate table: a certificate record's length does not fit"},
        {"entry past the end", entry(sound, static_cast<u32>(tableAt), static_cast<u32>(table.size()) + 8),
         "security directory: the certificate table runs past the end of the file"},
        {"entry not 8-aligned", entry(sound, static_cast<u32>(tableAt) + 4, static_cast<u32>(table.size()) - 4),
         "security directory: the certificate table does not start at a multiple of 8"},
        {"table over the configuration block", entry(sound, static_cast<u32>(tableAt) - 8, static_cast<u32>(table.size()) + 8),
         "the compressed record needs"},
        {"zero padding", padded, ""},
        {"padding that is not zero", dirtyPadding, dirtyDefect},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(ws_.path("signed.exe"), c.file);
        const fmt::PackageReport report = fmt::verifyPackageFile(ws_.path("signed.exe").string());
        if (c.defect.empty()) {
            EXPECT_EQ(report.defect, "");
            EXPECT_TRUE(report.signaturePresent());
            EXPECT_EQ(report.certificates.offset + table.size(), c.file.size());
        } else {
            EXPECT_NE(report.defect.find(c.defect), std::string::npos) << report.defect;
        }
    }
}

TEST(Verify, NoPackageAtAll) {
    Workspace ws;
    EXPECT_NE(fmt::verifyPackageFile(ws.path("stub.exe").string()).defect.find("no package found"), std::string::npos);
}

TEST(Verify, FoldersPipesAndDevicesAreNoInstallers) {
    Workspace ws;
    ASSERT_EQ(::mkfifo(ws.path("pipe").c_str(), 0600), 0);  // opening it would wait for a writer
    EXPECT_NE(fmt::verifyPackageFile(ws.dir().string()).defect.find("is a folder, not an installer"), std::string::npos);
    for (const std::string& path : {ws.path("pipe").string(), std::string("/dev/zero")}) {
        EXPECT_NE(fmt::verifyPackageFile(path).defect.find("is not a regular file"), std::string::npos) << path;
    }
}

}  // namespace
}  // namespace testing_mkpackage
