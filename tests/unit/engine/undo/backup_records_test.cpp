#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/undo/backup_names.h"
#include "engine/undo/backup_records.h"
#include "format/package_format.h"

using namespace setup;

namespace {

std::string payloadText(const BackupRecord* record) {
    return std::string(reinterpret_cast<const char*>(record->payload()), record->size);
}

}  // namespace

// Records are walked in order, padded so that every payload starts 4-aligned;
// one that does not fit is refused whole and the list stays as it was; a
// mark drops what came after it.
TEST(BackupRecords, AppendWalkRefuseAndTruncate) {
    alignas(8) std::uint8_t buffer[64];
    BackupRecords records(buffer, sizeof buffer);
    EXPECT_TRUE(records.empty());
    ASSERT_NE(records.append(1, {{"abc", 3}}), nullptr);              // 8 + 4
    const std::size_t mark = records.mark();
    ASSERT_NE(records.append(2, {{"de", 2}, {nullptr, 3}, {"f", 1}}), nullptr);  // 8 + 8
    EXPECT_EQ(records.used(), 28u);

    BackupRecord* first = records.first();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->kind, 1);
    EXPECT_EQ(payloadText(first), "abc");
    BackupRecord* second = records.next(first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(second->payload()) % 4, 0u);
    EXPECT_EQ(payloadText(second), std::string("de\0\0\0f", 6));  // room is zero-filled
    EXPECT_EQ(records.next(second), nullptr);

    // 28 used of 64: a 29-byte payload needs 8 + 32 bytes and does not fit.
    EXPECT_EQ(records.append(3, {{std::string(29, 'x').c_str(), 29}}), nullptr);
    EXPECT_EQ(records.used(), 28u);
    // A part so large that adding it would wrap is refused as well.
    EXPECT_EQ(records.append(3, {{"x", 1}, {nullptr, SIZE_MAX}}), nullptr);
    ASSERT_NE(records.append(3, {{std::string(28, 'y').c_str(), 28}}), nullptr);  // exactly full
    EXPECT_EQ(records.used(), sizeof buffer);
    EXPECT_EQ(records.append(4, {}), nullptr);

    records.truncate(mark);
    EXPECT_EQ(records.next(records.first()), nullptr);
    records.truncate(records.used() + 100);  // a mark beyond the end changes nothing
    EXPECT_EQ(records.used(), mark);
    records.clear();
    EXPECT_EQ(records.first(), nullptr);
}

TEST(BackupNames, FolderAtTheRootAndNumberedFilesThatFit) {
    char out[fmt::kMaxPath];
    ASSERT_TRUE(backupFolderPath("C:\\", 0x1A2Bu, out, sizeof out));
    EXPECT_STREQ(out, "C:\\~SetupBackup.00001A2B\\");
    char file[fmt::kMaxPath];
    ASSERT_TRUE(backupFilePath("C:\\~SetupBackup.00001A2B\\", 7, file, sizeof file));
    EXPECT_STREQ(file, "C:\\~SetupBackup.00001A2B\\00000007");
    EXPECT_FALSE(backupFolderPath("C:", 1, out, sizeof out)) << "a root without its backslash";

    // A mount point so deep that a backup file's name (8 characters) and
    // its terminator would not fit after the folder (22 characters more):
    // no folder at all.
    const auto rootOfLength = [](std::size_t length) { return "C:\\" + std::string(length - 4, 'm') + "\\"; };
    EXPECT_FALSE(backupFolderPath(rootOfLength(230).c_str(), 1, out, sizeof out));
    ASSERT_TRUE(backupFolderPath(rootOfLength(229).c_str(), 1, out, sizeof out));
    EXPECT_TRUE(backupFilePath(out, 0xFFFFFFFFu, file, sizeof file));
    EXPECT_EQ(std::strlen(file), 259u);
}
