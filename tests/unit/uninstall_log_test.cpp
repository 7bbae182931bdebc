#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/uninstall_log.h"

using namespace setup;

namespace {

// A section as the builder ships it: `textBytes` of uninstaller texts, no entries.
std::unique_ptr<fmt::UninstallSection> shippedSection(fmt::u32 textBytes) {
    auto s = std::make_unique<fmt::UninstallSection>();
    std::memset(s.get(), 0, sizeof *s);
    std::memcpy(s->header.magic, fmt::kUninstallMagic, 8);
    s->header.version = fmt::kUninstallVersion;
    std::memset(s->data, 'T', textBytes);
    s->header.usedBytes = s->header.savedUsedBytes = textBytes;
    s->header.firstEntryOffset = s->header.savedFirstEntryOffset = 110 + textBytes;
    return s;
}

const fmt::u8* bytesOf(const fmt::UninstallSection& s) {
    return reinterpret_cast<const fmt::u8*>(&s);
}

// The bytes a log file holds: the header and the used part of the data area.
std::vector<fmt::u8> fileBytes(const fmt::UninstallSection& s) {
    const fmt::u8* b = bytesOf(s);
    return std::vector<fmt::u8>(b, b + 110 + s.header.usedBytes);
}

void putU32(std::vector<fmt::u8>& bytes, std::size_t at, fmt::u32 v) {
    std::memcpy(bytes.data() + at, &v, 4);
}

}  // namespace

TEST(UninstallLog, EntriesArePaddedToFourBytesAndLinked) {
    auto s = shippedSection(752);
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogFile, 0, 0, "abc"));
    EXPECT_EQ(s->header.usedBytes, 752u + 14);
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogFolder, 1, 0, "abcd"));
    EXPECT_EQ(s->header.usedBytes, 752u + 14 + 18);
    EXPECT_EQ(s->header.entryCount, 2u);

    // The first entry lands right behind the texts, at section offset 862.
    const fmt::u8* first = bytesOf(*s) + 862;
    fmt::u32 next;
    std::memcpy(&next, first + 2, 4);
    EXPECT_EQ(first[0], fmt::kLogFile);
    EXPECT_EQ(next, 752u + 10 + 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(first + 10), "abc");
    const fmt::u8* second = bytesOf(*s) + 110 + next;
    EXPECT_EQ(second[0], fmt::kLogFolder);
    EXPECT_EQ(second[1], 1);
}

TEST(UninstallLog, FullAreaDropsEntryButShorterOneMayFit) {
    auto s = shippedSection(0);
    s->header.usedBytes = fmt::kLogAreaLimit - 8;
    ASSERT_FALSE(appendLogEntry(*s, fmt::kLogFile, 0, 0, "123456789"));  // L = 12
    EXPECT_EQ(s->header.entryCount, 0u);
    EXPECT_EQ(s->header.usedBytes, fmt::kLogAreaLimit - 8);
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogFile, 0, 0, "1234567"));  // L = 8
    EXPECT_EQ(s->header.usedBytes, fmt::kLogAreaLimit + 10);
    // The head of this last entry sits in the 256 reserved bytes.
    EXPECT_FALSE(appendLogEntry(*s, fmt::kLogFile, 0, 0, ""));
}

TEST(UninstallLog, ResetReturnsToShippedState) {
    auto s = shippedSection(100);
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\Temp\\Redist\\dsetup.dll");
    resetLogToShipped(*s);
    EXPECT_EQ(s->header.entryCount, 0u);
    EXPECT_EQ(s->header.usedBytes, 100u);
    EXPECT_EQ(s->header.firstEntryOffset, 210u);
    for (fmt::u32 i = 100; i < fmt::kLogAreaSize; ++i) ASSERT_EQ(s->data[i], 0) << i;
}

TEST(UninstallLog, WalkRemovesDeepestFirstWithinEachKind) {
    auto s = shippedSection(40);
    appendLogEntry(*s, fmt::kLogFolder, 0, 0, "C:\\A\\");
    appendLogEntry(*s, fmt::kLogFolder, 0, 0, "C:\\A\\B\\");
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\A\\B\\f.txt");
    appendLogEntry(*s, fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, "Software\\X\\Y\\Z");
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\A\\g");
    const auto bytes = fileBytes(*s);
    ASSERT_EQ(checkLog(bytes.data(), bytes.size()), LogCheck::ok);

    LogItem items[5];
    std::size_t n = collectLogEntries(bytes.data(), bytes.size(), fmt::kLogFolder, items);
    ASSERT_EQ(n, 2u);
    sortLongestFirst(items, n);
    EXPECT_STREQ(items[0].text, "C:\\A\\B\\");
    EXPECT_STREQ(items[1].text, "C:\\A\\");

    n = collectLogEntries(bytes.data(), bytes.size(), fmt::kLogFile, items);
    ASSERT_EQ(n, 2u);
    sortLongestFirst(items, n);
    EXPECT_STREQ(items[0].text, "C:\\A\\B\\f.txt");

    n = collectLogEntries(bytes.data(), bytes.size(), fmt::kLogRegistryKey, items);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(items[0].value, fmt::kRootLocalMachine);
}

TEST(UninstallLog, CheckRefusesLogsThatWouldLeaveTheirBytes) {
    auto s = shippedSection(20);
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\one");
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\two");
    const auto good = fileBytes(*s);
    ASSERT_EQ(checkLog(good.data(), good.size()), LogCheck::ok);

    auto b = good;
    b[7] = 'x';
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::badMagic);
    b = good;
    b[8] = 0x02;
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::badVersion);
    EXPECT_EQ(checkLog(good.data(), 9), LogCheck::tooShort);
    EXPECT_EQ(checkLog(good.data(), 100), LogCheck::tooShort);

    b = good;  // one entry more than the file holds
    putU32(b, offsetof(fmt::UninstallHeader, entryCount), 3);
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::outOfBounds);
    b = good;  // first entry beyond the end
    putU32(b, offsetof(fmt::UninstallHeader, firstEntryOffset), 0xFFFFFFF0u);
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::outOfBounds);
    b = good;  // a next that points far away
    putU32(b, 110 + 20 + 2, 0x7FFFFFFFu);
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::outOfBounds);
    // The last text cut off before its terminator.
    EXPECT_EQ(checkLog(good.data(), good.size() - 2), LogCheck::outOfBounds);
}

TEST(UninstallLog, CheckRefusesKeyPathsLongerThan259) {
    auto s = shippedSection(0);
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogRegistryKey, 0, fmt::kRootCurrentUser,
                               std::string(259, 'k').c_str()));
    auto b = fileBytes(*s);
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::ok);
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogRegistryKey, 0, fmt::kRootCurrentUser,
                               std::string(260, 'k').c_str()));
    b = fileBytes(*s);
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::keyTooLong);
    // A long file path is no danger: it is never copied into a fixed buffer.
    auto f = shippedSection(0);
    appendLogEntry(*f, fmt::kLogFile, 0, 0, std::string(400, 'f').c_str());
    b = fileBytes(*f);
    EXPECT_EQ(checkLog(b.data(), b.size()), LogCheck::ok);
}
