// A backup that cannot be dealt with at once: one that cannot be deleted at
// the end of a successful run goes at the next restart, one that cannot be
// put back at a rollback goes back then, and the backup folder, no longer
// hidden, follows them. The system's list of what to do at the next
// restart is emptied for the test and put back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/fault_injection.h"
#include "engine/undo/file_backups.h"
#include "test_product.h"

using namespace testing_support;

namespace {

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";

// The value's texts in pairs, as "from>to" ("to" empty for a deletion).
std::vector<std::string> pendingOperations(HKEY key) {
    char data[8192];
    DWORD size = sizeof data;
    std::vector<std::string> texts, lines;
    if (RegQueryValueExA(key, kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) ==
        ERROR_SUCCESS) {
        for (DWORD at = 0; at < size; at += static_cast<DWORD>(texts.back().size()) + 1) texts.push_back(data + at);
    }
    for (std::size_t i = 0; i + 1 < texts.size() && !texts[i].empty(); i += 2)
        lines.push_back(texts[i] + ">" + texts[i + 1]);
    return lines;
}

}  // namespace

TEST(Backups, WhatCannotBeDoneNowIsLeftToTheNextRestart) {
    TestSandbox sandbox("Backups");
    HKEY sessionManager;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &sessionManager), ERROR_SUCCESS);
    BYTE saved[8192];
    DWORD savedSize = sizeof saved, savedType = 0;
    const bool hadPending =
        RegQueryValueExA(sessionManager, kPendingRenames, nullptr, &savedType, saved, &savedSize) == ERROR_SUCCESS;

    const std::string path = sandbox.root + "\\b.txt";
    for (bool rollback : {false, true}) {
        SCOPED_TRACE(rollback ? "a place taken at a rollback" : "a backup held open at the end");
        RegDeleteValueA(sessionManager, kPendingRenames);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        ASSERT_TRUE(setup::moveFileAside(path.c_str(), setup::FaultSite::backUpFile));
        const std::vector<std::string> folders = backupFolders();
        ASSERT_EQ(folders.size(), 1u);
        EXPECT_NE(GetFileAttributesA(folders[0].c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
        const std::vector<std::string> inside = listFiles(folders[0]);
        ASSERT_EQ(inside.size(), 1u);
        const std::string backup = folders[0] + "\\" + inside[0];

        std::vector<std::string> expected;
        if (rollback) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
            setup::restoreFileBackups();
            expected = {"\\??\\" + backup + ">!\\??\\" + path, "\\??\\" + folders[0] + ">"};
            RemoveDirectoryA(path.c_str());
        } else {
            HANDLE held = CreateFileA(backup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            setup::discardFileBackups();
            expected = {"\\??\\" + backup + ">", "\\??\\" + folders[0] + ">"};
            CloseHandle(held);
        }
        EXPECT_EQ(pendingOperations(sessionManager), expected);
        EXPECT_TRUE(fileExists(backup)) << "the backup is kept for the restart";
        EXPECT_EQ(GetFileAttributesA(folders[0].c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << "a folder left is hidden";
        deleteTree(folders[0]);
    }
    if (hadPending)
        RegSetValueExA(sessionManager, kPendingRenames, 0, savedType, saved, savedSize);
    else
        RegDeleteValueA(sessionManager, kPendingRenames);
    RegCloseKey(sessionManager);
}
