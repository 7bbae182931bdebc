// The languages record: what the builder writes comes back text for text,
// and every damaged record is refused before a text of it is used.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "format/extension_table.h"
#include "format/language_table.h"
#include "format/language_writer.h"

namespace {

using fmt::LanguagesProblem;
using fmt::u32;
using fmt::u8;
using Bytes = std::vector<u8>;

fmt::LanguageRecordInput language(const std::string& code, const std::string& marker) {
    fmt::LanguageRecordInput input;
    input.code = code;
    input.name = marker + " name";
    input.primaryLanguage = 0x07;
    input.subLanguage = 1;
    for (u32 i = 0; i < fmt::kTextSlotCount; ++i) input.slots[i] = marker + " slot " + std::to_string(i);
    for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) input.uninstallTexts[i] = marker + " uninstall " + std::to_string(i);
    input.pageTexts = {marker + " page 0", "", marker + " page 2"};
    input.extraTexts = {{fmt::kExtraTextRetryButton, marker + " retry"}};
    return input;
}

Bytes sample() {
    fmt::LanguageRecordInput first;
    first.code = "en";
    first.name = "English";
    first.primaryLanguage = 0x09;
    fmt::LanguageRecordInput russian = language("ru", "\xD0\xF3");
    russian.codePage = 1251;
    return fmt::writeLanguages({first, language("de", "de"), russian}, fmt::kLanguagesAskUser);
}

void putU32(Bytes& b, std::size_t at, u32 value) { std::memcpy(b.data() + at, &value, 4); }
void putU16(Bytes& b, std::size_t at, fmt::u16 value) { std::memcpy(b.data() + at, &value, 2); }

constexpr std::size_t kEntries = sizeof(fmt::LanguagesHeader);
constexpr std::size_t kEntrySize = sizeof(fmt::LanguageEntry);
std::size_t entryAt(u32 index) { return kEntries + index * kEntrySize; }
std::size_t textsOf(const Bytes& b, u32 index) { return fmt::languageAt(b.data(), index).textsOffset; }

TEST(LanguageTable, TheWrittenRecordComesBackTextForText) {
    const Bytes record = sample();
    ASSERT_EQ(fmt::checkLanguages(record.data(), record.size()), LanguagesProblem::none);
    ASSERT_EQ(fmt::languageCount(record.data()), 3u);
    EXPECT_EQ(fmt::languagesFlags(record.data()), fmt::kLanguagesAskUser);
    const fmt::LanguageEntry first = fmt::languageAt(record.data(), 0);
    EXPECT_STREQ(first.code, "en");
    EXPECT_STREQ(first.name, "English");
    EXPECT_EQ(first.textsOffset, 0u);
    const fmt::LanguageEntry russian = fmt::languageAt(record.data(), 2);
    EXPECT_STREQ(russian.code, "ru");
    EXPECT_EQ(russian.codePage, 1251u);
    EXPECT_EQ(russian.primaryLanguage, 0x07);
    EXPECT_EQ(russian.subLanguage, 1);

    fmt::LanguageTexts texts;
    EXPECT_FALSE(fmt::readLanguageTexts(record.data(), record.size(), 0, texts));  // the record's own
    EXPECT_FALSE(fmt::readLanguageTexts(record.data(), record.size(), 3, texts));
    ASSERT_TRUE(fmt::readLanguageTexts(record.data(), record.size(), 2, texts));
    EXPECT_STREQ(texts.slots[0], "\xD0\xF3 slot 0");
    EXPECT_STREQ(texts.slots[89], "\xD0\xF3 slot 89");
    EXPECT_STREQ(texts.uninstallTexts[18], "\xD0\xF3 uninstall 18");
    ASSERT_EQ(texts.pageTextCount, 3u);
    const char* page = texts.firstPageText;
    EXPECT_STREQ(page, "\xD0\xF3 page 0");
    EXPECT_STREQ(page = fmt::nextLanguageText(page), "");
    EXPECT_STREQ(fmt::nextLanguageText(page), "\xD0\xF3 page 2");
    const char* retry = nullptr;
    std::size_t length = 0;
    ASSERT_TRUE(fmt::findExtraText(texts.extraTexts, texts.extraTextsSize, fmt::kExtraTextRetryButton, retry, length));
    EXPECT_EQ(std::string(retry, length), "\xD0\xF3 retry");
}

TEST(LanguageTable, DamagedRecordsAreRefused) {
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        LanguagesProblem expected;
    } cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }, LanguagesProblem::cutShort},
        {"header only", [](Bytes& b) { b.resize(kEntries); }, LanguagesProblem::cutShort},
        {"entries cut", [](Bytes& b) { b.resize(entryAt(2) + 10); }, LanguagesProblem::cutShort},
        {"one language", [](Bytes& b) { putU32(b, 0, 1); }, LanguagesProblem::badCount},
        {"count far too high", [](Bytes& b) { putU32(b, 0, 0xFFFFFFFF); }, LanguagesProblem::badCount},
        {"33 languages", [](Bytes& b) { putU32(b, 0, fmt::kMaxLanguages + 1); }, LanguagesProblem::badCount},
        {"unknown flag", [](Bytes& b) { putU32(b, 4, 2); }, LanguagesProblem::badCount},
        {"empty code", [](Bytes& b) { b[entryAt(1)] = 0; }, LanguagesProblem::badEntry},
        {"upper-case code", [](Bytes& b) { b[entryAt(1)] = 'D'; }, LanguagesProblem::badEntry},
        {"code without terminator", [](Bytes& b) { std::memset(&b[entryAt(1)], 'a', 8); }, LanguagesProblem::badEntry},
        {"bytes after the code", [](Bytes& b) { b[entryAt(1) + 5] = 'x'; }, LanguagesProblem::badEntry},
        {"repeated code", [](Bytes& b) { b[entryAt(2)] = 'd'; b[entryAt(2) + 1] = 'e'; }, LanguagesProblem::badEntry},
        {"name without terminator", [](Bytes& b) { std::memset(&b[entryAt(1) + 8], 'n', 64); }, LanguagesProblem::badEntry},
        {"empty name", [](Bytes& b) { b[entryAt(1) + 8] = 0; }, LanguagesProblem::badEntry},
        {"code page 0", [](Bytes& b) { putU32(b, entryAt(1) + 72, 0); }, LanguagesProblem::badEntry},
        {"code page too high", [](Bytes& b) { putU32(b, entryAt(1) + 72, 70000); }, LanguagesProblem::badEntry},
        {"reserved word", [](Bytes& b) { putU32(b, entryAt(1) + 88, 1); }, LanguagesProblem::badEntry},
        {"first with texts", [](Bytes& b) { putU32(b, entryAt(0) + 84, 4); }, LanguagesProblem::badTextsPlace},
        {"texts over the entries", [](Bytes& b) { putU32(b, entryAt(1) + 80, 8); }, LanguagesProblem::badTextsPlace},
        {"texts past the end", [](Bytes& b) { putU32(b, entryAt(2) + 84, 0xFFFFFFF0); }, LanguagesProblem::badTextsPlace},
        {"offset wraps", [](Bytes& b) { putU32(b, entryAt(2) + 80, 0xFFFFFFF0); }, LanguagesProblem::badTextsPlace},
        {"texts smaller than their header", [](Bytes& b) { putU32(b, entryAt(1) + 84, 11); }, LanguagesProblem::badTexts},
        {"slot count", [](Bytes& b) { putU16(b, textsOf(b, 1), 89); }, LanguagesProblem::badTexts},
        {"uninstaller count", [](Bytes& b) { putU16(b, textsOf(b, 1) + 2, 20); }, LanguagesProblem::badTexts},
        {"page count too high", [](Bytes& b) { putU16(b, textsOf(b, 1) + 4, fmt::kMaxPageTexts + 1); }, LanguagesProblem::badTexts},
        {"page count beyond the texts", [](Bytes& b) { putU16(b, textsOf(b, 1) + 4, 4); }, LanguagesProblem::badTexts},
        {"page count short of the texts", [](Bytes& b) { putU16(b, textsOf(b, 1) + 4, 2); }, LanguagesProblem::badTexts},
        {"reserved half-word", [](Bytes& b) { putU16(b, textsOf(b, 1) + 6, 1); }, LanguagesProblem::badTexts},
        {"extra texts larger than the block", [](Bytes& b) { putU32(b, textsOf(b, 1) + 8, 0x7FFFFFFF); }, LanguagesProblem::badTexts},
        {"a text loses its terminator",
         [](Bytes& b) {
             const std::size_t at = textsOf(b, 2) - 1;  // the last byte of language 1's block
             std::memset(&b[textsOf(b, 1) + 12], 'x', at - textsOf(b, 1) - 12 + 1);
         },
         LanguagesProblem::badTexts},
        {"extra texts out of order", [](Bytes& b) {
             // The retry text's id becomes 0: ids must ascend from 1.
             const fmt::LanguageEntry e = fmt::languageAt(b.data(), 1);
             fmt::LanguageTextsHeader h;
             std::memcpy(&h, &b[e.textsOffset], sizeof h);
             putU16(b, e.textsOffset + e.textsSize - h.extraTextsSize, 0);
         }, LanguagesProblem::badTexts},
        {"too large", [](Bytes& b) { b.resize(fmt::kMaxLanguagesSize + 1); }, LanguagesProblem::tooLarge},
    };
    for (const Case& c : cases) {
        Bytes record = sample();
        c.damage(record);
        EXPECT_EQ(fmt::checkLanguages(record.data(), record.size()), c.expected) << c.what;
    }
}

TEST(LanguageTable, TheUninstallerTextsLeaveTheLogRoom) {
    fmt::LanguageRecordInput first;
    first.code = "en";
    first.name = "English";
    fmt::LanguageRecordInput big = language("de", "de");
    big.uninstallTexts[0] = std::string(fmt::kLogAreaLimit - fmt::kLanguageLogRoom, 'x');
    EXPECT_THROW(fmt::writeLanguages({first, big}), std::invalid_argument);
    big.uninstallTexts[0].resize(1000);
    EXPECT_NO_THROW(fmt::writeLanguages({first, big}));
}

TEST(LanguageTable, TheWriterRefusesWhatTheRecordCannotHold) {
    fmt::LanguageRecordInput first;
    first.code = "en";
    first.name = "English";
    const auto with = [&](std::function<void(fmt::LanguageRecordInput&)> change) {
        fmt::LanguageRecordInput second = language("de", "de");
        change(second);
        return fmt::writeLanguages({first, second});
    };
    EXPECT_THROW(fmt::writeLanguages({first}), std::invalid_argument);
    EXPECT_THROW(with([](auto& l) { l.code = "toolongc"; }), std::invalid_argument);
    EXPECT_THROW(with([](auto& l) { l.code = "en"; }), std::invalid_argument);  // twice
    EXPECT_THROW(with([](auto& l) { l.code = "De"; }), std::invalid_argument);
    EXPECT_THROW(with([](auto& l) { l.name = std::string(64, 'n'); }), std::invalid_argument);
    EXPECT_THROW(with([](auto& l) { l.slots[3] = std::string("a\0b", 3); }), std::invalid_argument);
    EXPECT_THROW(with([](auto& l) { l.pageTexts.resize(fmt::kMaxPageTexts + 1); }), std::invalid_argument);
    EXPECT_NO_THROW(with([](auto& l) { l.name = std::string(63, 'n'); }));
}

}  // namespace
