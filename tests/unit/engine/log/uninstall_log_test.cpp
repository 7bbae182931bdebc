#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/log/uninstall_log.h"

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

// The area an undo in the uninstaller starts from: no texts, no entries; it
// takes entries, is a sound log of a run, and resets to empty.
TEST(UninstallLog, EmptyLogTakesEntriesAndResetsToEmpty) {
    auto s = shippedSection(64);
    startEmptyLog(*s);
    EXPECT_EQ(checkLog(bytesOf(*s), sizeof *s, LogOrigin::thisRun), LogCheck::ok);
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogFolder, 0, 0, "C:\\Program Files\\Product"));
    ASSERT_TRUE(appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\Program Files\\Product\\app.exe"));
    EXPECT_EQ(checkLog(bytesOf(*s), sizeof *s, LogOrigin::thisRun), LogCheck::ok);
    LogItem items[4];
    ASSERT_EQ(collectLogEntries(bytesOf(*s), fmt::kLogFile, items, 4), 1u);
    EXPECT_STREQ(items[0].text, "C:\\Program Files\\Product\\app.exe");
    resetLogToShipped(*s);
    EXPECT_EQ(s->header.entryCount, 0u);
    EXPECT_EQ(s->header.usedBytes, 0u);
    EXPECT_EQ(collectLogEntries(bytesOf(*s), fmt::kLogFolder, items, 4), 0u);
    for (fmt::u32 i = 0; i < fmt::kLogAreaSize; ++i) ASSERT_EQ(s->data[i], 0) << i;
}

TEST(UninstallLog, WalkRemovesDeepestFirstWithinEachKind) {
    auto s = shippedSection(40);
    appendLogEntry(*s, fmt::kLogFolder, 0, 0, "C:\\A\\");
    appendLogEntry(*s, fmt::kLogFolder, 0, 0, "C:\\A\\B\\");
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\A\\B\\f.txt");
    appendLogEntry(*s, fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, "Software\\X\\Y\\Z");
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\A\\g");
    const auto bytes = fileBytes(*s);
    ASSERT_EQ(checkLog(bytes.data(), bytes.size(), LogOrigin::disk), LogCheck::ok);

    LogItem items[5];
    std::size_t n = collectLogEntries(bytes.data(), fmt::kLogFolder, items, 5);
    ASSERT_EQ(n, 2u);
    sortLongestFirst(items, n);
    EXPECT_STREQ(items[0].text, "C:\\A\\B\\");
    EXPECT_STREQ(items[1].text, "C:\\A\\");

    n = collectLogEntries(bytes.data(), fmt::kLogFile, items, 5);
    ASSERT_EQ(n, 2u);
    sortLongestFirst(items, n);
    EXPECT_STREQ(items[0].text, "C:\\A\\B\\f.txt");

    n = collectLogEntries(bytes.data(), fmt::kLogRegistryKey, items, 5);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(items[0].value, fmt::kRootLocalMachine);
}

TEST(UninstallLog, CheckRefusesLogsThatWouldLeaveTheirBytesOrNeverEnd) {
    auto s = shippedSection(20);
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\one");
    appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\two");
    const auto good = fileBytes(*s);
    ASSERT_EQ(checkLog(good.data(), good.size(), LogOrigin::disk), LogCheck::ok);
    const std::size_t count = offsetof(fmt::UninstallHeader, entryCount);
    const std::size_t first = offsetof(fmt::UninstallHeader, firstEntryOffset);
    const std::size_t firstNext = 110 + 20 + 2;  // `next` of the first entry

    struct Case {
        const char* what;
        std::size_t at;      // where to put `value`; 0: change nothing
        fmt::u32 value;
        std::size_t size;    // bytes handed to the check; 0: all
        LogCheck expected;
    };
    const Case cases[] = {
        {"short of the magic", 0, 0, 9, LogCheck::tooShort},
        {"short of the header", 0, 0, 100, LogCheck::tooShort},
        {"one entry more than the file holds", count, 3, 0, LogCheck::outOfBounds},
        {"a count the bytes cannot hold", count, 1000, 0, LogCheck::badCount},
        {"a count that would wrap an array size", count, 0x40000000u, 0, LogCheck::badCount},
        {"first entry beyond the end", first, 0xFFFFFFF0u, 0, LogCheck::outOfBounds},
        {"a next that points far away", firstNext, 0x7FFFFFFFu, 0, LogCheck::outOfBounds},
        {"a next that leads back to its own entry", firstNext, 20, 0, LogCheck::notForward},
        {"a next inside its own text", firstNext, 20 + 12, 0, LogCheck::notForward},
        {"a next that leads backwards", firstNext, 0, 0, LogCheck::notForward},
        {"the last text cut off before its terminator", 0, 0, good.size() - 2, LogCheck::outOfBounds},
    };
    for (const Case& c : cases) {
        auto b = good;
        if (c.at != 0) putU32(b, c.at, c.value);
        EXPECT_EQ(checkLog(b.data(), c.size != 0 ? c.size : b.size(), LogOrigin::disk), c.expected)
            << c.what;
    }
    auto b = good;
    b[7] = 'x';
    EXPECT_EQ(checkLog(b.data(), b.size(), LogOrigin::disk), LogCheck::badMagic);
    b = good;
    b[8] = 0x02;
    EXPECT_EQ(checkLog(b.data(), b.size(), LogOrigin::disk), LogCheck::badVersion);

    // A self-looping entry with any count is refused before any array is sized.
    b = good;
    putU32(b, firstNext, 20);
    for (fmt::u32 n : {2u, 3u, 1000u, 0xFFFFFFFFu}) {
        putU32(b, count, n);
        EXPECT_NE(checkLog(b.data(), b.size(), LogOrigin::disk), LogCheck::ok) << n;
    }
    // A file larger than a whole section is no log of ours.
    b = good;
    b.resize(kMaxLogFileSize + 1);
    EXPECT_EQ(checkLog(b.data(), b.size(), LogOrigin::disk), LogCheck::tooLong);
}

TEST(UninstallLog, ALogFromDiskNamesOnlyTheRecordedRootsAndShortKeys) {
    struct Case {
        fmt::u32 root;
        std::size_t keyLength;
        LogCheck fromDisk;
    };
    const Case cases[] = {
        {fmt::kRootLocalMachine, 10, LogCheck::ok},
        {fmt::kRootCurrentUser, 259, LogCheck::ok},
        {fmt::kRootCurrentUser, 260, LogCheck::keyTooLong},
        {0x80000000u, 10, LogCheck::unknownRoot},   // HKEY_CLASSES_ROOT
        {0x80000003u, 10, LogCheck::unknownRoot},   // HKEY_USERS
        {0, 10, LogCheck::unknownRoot},
    };
    for (const Case& c : cases) {
        auto s = shippedSection(0);
        appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\P\\a.txt");
        ASSERT_TRUE(appendLogEntry(*s, fmt::kLogRegistryKey, 0, c.root,
                                   std::string(c.keyLength, 'k').c_str()));
        const auto b = fileBytes(*s);
        EXPECT_EQ(checkLog(b.data(), b.size(), LogOrigin::disk), c.fromDisk) << std::hex << c.root;
        // The run's own log is walked whatever it recorded: a key too long
        // for the removal's buffer is passed over alone, not the whole rollback.
        EXPECT_EQ(checkLog(bytesOf(*s), sizeof *s, LogOrigin::thisRun), LogCheck::ok);
    }
    // A long file path is no danger: it is never copied into a fixed buffer.
    auto f = shippedSection(0);
    appendLogEntry(*f, fmt::kLogFile, 0, 0, std::string(400, 'f').c_str());
    const auto b = fileBytes(*f);
    EXPECT_EQ(checkLog(b.data(), b.size(), LogOrigin::disk), LogCheck::ok);
}

TEST(UninstallLog, CollectStopsAtTheCapacity) {
    auto s = shippedSection(0);
    for (int i = 0; i < 4; ++i) appendLogEntry(*s, fmt::kLogFile, 0, 0, "C:\\f");
    LogItem items[2];
    EXPECT_EQ(collectLogEntries(bytesOf(*s), fmt::kLogFile, items, 2), 2u);
    EXPECT_EQ(logEntryCount(bytesOf(*s)), 4u);
}
