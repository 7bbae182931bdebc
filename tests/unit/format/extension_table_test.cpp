// The extension table: what the builder writes, the readers find, and every
// damaged table refused before a byte of its records is used.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "format/extension_table.h"
#include "format/extension_writer.h"

namespace {

using fmt::u8;
using fmt::u32;
using Bytes = std::vector<u8>;

// A package of `entries` bytes of stored files, the table, then a config block.
struct MemoryPackage {
    Bytes bytes;
    u32 tableOffset = 0;
    u32 configOffset = 0;

    MemoryPackage(const Bytes& table, u32 entries = 100) {
        bytes.assign(entries, 0xEE);
        tableOffset = entries;
        bytes.insert(bytes.end(), table.begin(), table.end());
        configOffset = static_cast<u32>(bytes.size());
        bytes.insert(bytes.end(), 20, 0xCC);
    }

    static bool read(void* context, u32 offset, void* buffer, u32 size) {
        const Bytes& b = static_cast<MemoryPackage*>(context)->bytes;
        if (offset > b.size() || size > b.size() - offset) return false;
        std::memcpy(buffer, b.data() + offset, size);
        return true;
    }

    fmt::ExtensionProblem directory(fmt::ExtensionDirectory& out, u32 entriesEnd = 100) {
        return fmt::readExtensionDirectory(tableOffset, entriesEnd, configOffset, read, this, out);
    }

    void putU32(std::size_t at, u32 value) { std::memcpy(bytes.data() + at, &value, 4); }
};

Bytes text(const char* s) { return Bytes(s, s + std::strlen(s)); }

const u32 kOther = fmt::extensionTag('Z', 'Z', 'Z', 'Z');

TEST(ExtensionTable, RecordsComeBackInOrderWithTheirData) {
    MemoryPackage package(fmt::writeExtensionTable(
        {{kOther, text("abc")}, {fmt::kExtensionExtraTexts, text("")}, {kOther, text("defgh")}}));
    fmt::ExtensionDirectory directory;
    ASSERT_EQ(package.directory(directory), fmt::ExtensionProblem::none);
    ASSERT_EQ(directory.count, 3u);
    // Each record padded to 4: 12 + 12+4 + 12+0 + 12+8.
    EXPECT_EQ(package.configOffset - package.tableOffset, 60u);

    const fmt::ExtensionEntry* second = fmt::findExtension(directory, kOther, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->size, 5u);
    char buffer[8] = {};
    EXPECT_EQ(fmt::readExtensionData(*second, MemoryPackage::read, &package, buffer, sizeof buffer),
              fmt::ExtensionRead::ok);
    EXPECT_EQ(std::string(buffer, 5), "defgh");
    EXPECT_EQ(fmt::readExtensionData(*second, MemoryPackage::read, &package, buffer, 4), fmt::ExtensionRead::tooLarge);
    EXPECT_EQ(fmt::findExtension(directory, kOther, 2), nullptr);
    EXPECT_NE(fmt::findExtension(directory, fmt::kExtensionExtraTexts), nullptr);

    package.bytes[second->dataOffset + 2] ^= 0x01;
    EXPECT_EQ(fmt::readExtensionData(*second, MemoryPackage::read, &package, buffer, sizeof buffer),
              fmt::ExtensionRead::checksum);
}

TEST(ExtensionTable, DamagedTablesAreRefused) {
    using P = fmt::ExtensionProblem;
    const Bytes sound = fmt::writeExtensionTable({{kOther, text("abcd")}, {kOther, text("efgh")}});
    struct Row {
        const char* what;
        std::function<void(MemoryPackage&)> damage;
        u32 entriesEnd;
        P expected;
    } rows[] = {
        {"sound", [](MemoryPackage&) {}, 100, P::none},
        {"table inside the stored files", [](MemoryPackage&) {}, 101, P::misplaced},
        {"table inside the package header", [](MemoryPackage& p) { p.tableOffset = 4; }, 0, P::misplaced},
        {"table behind the configuration block", [](MemoryPackage& p) { p.tableOffset = p.configOffset; }, 100,
         P::misplaced},
        {"magic", [](MemoryPackage& p) { p.bytes[100] = 'Y'; }, 100, P::badMagic},
        {"65 records", [](MemoryPackage& p) { p.putU32(104, 65); }, 100, P::tooManyRecords},
        {"one record fewer than there are", [](MemoryPackage& p) { p.putU32(104, 1); }, 100, P::badSize},
        {"one record more than there are", [](MemoryPackage& p) { p.putU32(104, 3); }, 100, P::badSize},
        {"table size short", [](MemoryPackage& p) { p.putU32(108, 12 + 16 + 12); }, 100, P::badSize},
        {"record size past the table", [](MemoryPackage& p) { p.putU32(128 + 4, 9); }, 100, P::recordTooLarge},
        {"record size that wraps", [](MemoryPackage& p) { p.putU32(112 + 4, 0xFFFFFFFEu); }, 100,
         P::recordTooLarge},
        {"record size shorter: bytes hide behind", [](MemoryPackage& p) { p.putU32(128 + 4, 0); }, 100,
         P::badSize},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryPackage package(sound);
        row.damage(package);
        fmt::ExtensionDirectory directory;
        EXPECT_EQ(package.directory(directory, row.entriesEnd), row.expected);
        if (row.expected != P::none) {
            EXPECT_STRNE(fmt::extensionProblemText(row.expected), "sound");
        }
    }
    // A table whose headers cannot be read at all (the file ends early).
    MemoryPackage cut(sound);
    cut.bytes.resize(110);
    fmt::ExtensionDirectory directory;
    EXPECT_EQ(cut.directory(directory), P::readFailed);
}

TEST(ExtensionTable, WriterRefusesWhatNoReaderAccepts) {
    EXPECT_THROW(fmt::writeExtensionTable(std::vector<fmt::ExtensionRecordData>(65, {kOther, {}})),
                 std::length_error);
    EXPECT_THROW(fmt::writeExtraTexts({{2, "b"}, {1, "a"}}), std::invalid_argument);
    EXPECT_THROW(fmt::writeExtraTexts({{1, "a"}, {1, "a"}}), std::invalid_argument);
    EXPECT_THROW(fmt::writeExtraTexts({{1, std::string(512, 'x')}}), std::invalid_argument);
    EXPECT_THROW(fmt::writeExtraTexts({{1, std::string("a\0b", 3)}}), std::invalid_argument);
    EXPECT_NO_THROW(fmt::writeExtraTexts({{1, std::string(511, 'x')}}));
}

TEST(ExtraTexts, FoundByIdAndCheckedWhole) {
    const Bytes record = fmt::writeExtraTexts({{1, "one"}, {3, ""}, {7, "seven"}});
    EXPECT_TRUE(fmt::checkExtraTexts(record.data(), record.size()));
    const char* found = nullptr;
    std::size_t length = 0;
    ASSERT_TRUE(fmt::findExtraText(record.data(), record.size(), 7, found, length));
    EXPECT_EQ(std::string(found, length), "seven");
    ASSERT_TRUE(fmt::findExtraText(record.data(), record.size(), 3, found, length));
    EXPECT_EQ(length, 0u);
    EXPECT_FALSE(fmt::findExtraText(record.data(), record.size(), 2, found, length));
    EXPECT_TRUE(fmt::checkExtraTexts(nullptr, 0));

    struct Row {
        const char* what;
        std::size_t at;  // byte changed, or the size cut to when `cut`
        u8 value;
        bool cut;
    } rows[] = {
        {"cut inside a header", 2, 0, true},
        {"cut inside a text", 6, 0, true},
        {"length past the end", 2, 0x40, false},
        {"zero byte inside a text", 5, 0, false},
        {"ids out of order", 7, 9, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes damaged = record;
        if (row.cut) {
            damaged.resize(row.at);
        } else {
            damaged[row.at] = row.value;
        }
        EXPECT_FALSE(fmt::checkExtraTexts(damaged.data(), damaged.size()));
    }
    // A length of 512 or more does not fit the program's text buffers.
    Bytes longText = {1, 0, 0x00, 0x02};
    longText.resize(4 + 512, 'x');
    EXPECT_FALSE(fmt::checkExtraTexts(longText.data(), longText.size()));
}

}  // namespace
