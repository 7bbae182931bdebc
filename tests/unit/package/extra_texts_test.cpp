// The setup program's reading of the package's extra texts: what the builder
// writes comes back terminated, other records and unknown ids are passed
// over, and a damaged table or record is refused with the right error.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "format/extension_writer.h"
#include "package/extra_texts.h"

namespace {

using fmt::u32;
using fmt::u8;
using Bytes = std::vector<u8>;

// A package: its header's 28 bytes, `entries` bytes of stored files, the
// table, then the configuration block.
struct Package {
    Bytes bytes;
    u32 tableOffset, configOffset;

    explicit Package(const Bytes& table, u32 entries = 40) {
        bytes.assign(sizeof(fmt::PackageHeader) + entries, 0xEE);
        tableOffset = static_cast<u32>(bytes.size());
        bytes.insert(bytes.end(), table.begin(), table.end());
        configOffset = static_cast<u32>(bytes.size());
        bytes.insert(bytes.end(), 20, 0xCC);
    }
    static bool read(void* context, u32 offset, void* buffer, u32 size) {
        const Bytes& b = static_cast<Package*>(context)->bytes;
        if (offset > b.size() || size > b.size() - offset) return false;
        std::memcpy(buffer, b.data() + offset, size);
        return true;
    }
    setup::ExtraTextsRead load(setup::ExtraTexts& out) {
        static u8 scratch[fmt::kMaxExtraTextsSize];
        return setup::readExtraTexts(tableOffset, configOffset, read, this, scratch, out);
    }
};

Bytes textsRecord(const std::vector<std::pair<fmt::u16, std::string>>& texts) { return fmt::writeExtraTexts(texts); }

const u32 kOther = fmt::extensionTag('L', 'Z', 'M', 'A');

TEST(PackageExtraTexts, ComeBackTerminatedPastOtherRecordsAndUnknownIds) {
    const std::string longest(fmt::kMaxExtraTextLength - 1, 'x');
    Package package(fmt::writeExtensionTable(
        {{kOther, Bytes(7, 1)},
         {fmt::kExtensionExtraTexts,
          textsRecord({{fmt::kExtraTextPublisher, "Example Works"}, {fmt::kExtraTextAboutUrl, ""},
                       {fmt::kExtraTextComments, longest}, {900, "from a later version"}})}}));
    static setup::ExtraTexts texts;
    ASSERT_EQ(package.load(texts), setup::ExtraTextsRead::ok);
    EXPECT_STREQ(setup::extraText(texts, fmt::kExtraTextPublisher, "none"), "Example Works");
    // Given empty is not absent: the fallback is for a text the package lacks.
    EXPECT_STREQ(setup::extraText(texts, fmt::kExtraTextAboutUrl, "none"), "");
    EXPECT_EQ(std::string(setup::extraText(texts, fmt::kExtraTextComments, "none")), longest);
    EXPECT_STREQ(setup::extraText(texts, fmt::kExtraTextDisplayVersion, "1.00"), "1.00");
    EXPECT_STREQ(setup::extraText(texts, 900, "none"), "none");
}

TEST(PackageExtraTexts, NoTableOrNoRecordGivesTheFallbacks) {
    static setup::ExtraTexts texts;
    Package none(Bytes{});
    none.tableOffset = 0;
    ASSERT_EQ(none.load(texts), setup::ExtraTextsRead::ok);
    EXPECT_STREQ(setup::extraText(texts, fmt::kExtraTextPublisher, "fallback"), "fallback");
    Package other(fmt::writeExtensionTable({{kOther, Bytes(3, 1)}}));
    ASSERT_EQ(other.load(texts), setup::ExtraTextsRead::ok);
    EXPECT_STREQ(setup::extraText(texts, fmt::kExtraTextPublisher, "fallback"), "fallback");
}

TEST(PackageExtraTexts, DamageIsRefusedAndLeavesNothing) {
    const Bytes table = fmt::writeExtensionTable(
        {{fmt::kExtensionExtraTexts, textsRecord({{fmt::kExtraTextPublisher, "Example Works"}})}});
    const std::size_t record = 12;  // the record header behind the table header
    const struct {
        const char* name;
        std::function<void(Package&)> damage;
        setup::ExtraTextsRead expected;
    } cases[] = {
        {"BadMagic", [](Package& p) { p.bytes[p.tableOffset] = 'Y'; }, setup::ExtraTextsRead::damaged},
        {"TableInsideTheHeader", [](Package& p) { p.tableOffset = 8; }, setup::ExtraTextsRead::damaged},
        {"TableNotEndingAtTheBlock", [](Package& p) { p.configOffset += 4; }, setup::ExtraTextsRead::damaged},
        {"TableBeyondTheFile", [](Package& p) { p.tableOffset = 0xFFFFFFF0u; }, setup::ExtraTextsRead::damaged},
        {"FlippedTextByte", [&](Package& p) { p.bytes[p.tableOffset + record + 12 + 5] ^= 1; }, setup::ExtraTextsRead::checksum},
        // A text running past its record: the record's crc still matches.
        {"TextLongerThanItsRecord",
         [&](Package& p) {
             const fmt::u16 length = 200;
             std::memcpy(p.bytes.data() + p.tableOffset + record + 12 + 2, &length, 2);
             fmt::ExtensionRecord head;
             std::memcpy(&head, p.bytes.data() + p.tableOffset + record, sizeof head);
             head.crc = static_cast<u32>(crc32(0, p.bytes.data() + p.tableOffset + record + 12, head.size));
             std::memcpy(p.bytes.data() + p.tableOffset + record, &head, sizeof head);
         },
         setup::ExtraTextsRead::damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Package package(table);
        c.damage(package);
        static setup::ExtraTexts texts;
        texts.present[fmt::kExtraTextPublisher] = true;
        EXPECT_EQ(package.load(texts), c.expected);
        EXPECT_STREQ(setup::extraText(texts, fmt::kExtraTextPublisher, "none"), "none");
    }
}

}  // namespace
