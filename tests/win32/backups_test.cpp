// The backup folder of a run and what happens to a backup that cannot be
// dealt with at once: one that cannot be deleted at the end of a successful
// run goes at the next restart, one that cannot be put back at a rollback
// goes back then, and the folder follows them. The system's list of what
// to do at the next restart is saved first and put back afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/fault_injection.h"
#include "engine/file_backups.h"
#include "test_product.h"

using namespace testing_support;

namespace {

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";

// The pending operations as "from>to" lines ("" for a deletion), the
// target's "!" (replace what is there) kept.
std::vector<std::string> pendingOperations() {
    std::vector<std::string> lines;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return lines;
    char data[8192];
    DWORD size = sizeof data, type = 0;
    const LONG read = RegQueryValueExA(key, kPendingRenames, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return lines;
    std::vector<std::string> texts;
    for (DWORD at = 0; at < size;) {
        const std::string text(data + at);
        texts.push_back(text);
        at += static_cast<DWORD>(text.size()) + 1;
    }
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2)
        if (!texts[i].empty()) lines.push_back(texts[i] + ">" + texts[i + 1]);
    return lines;
}

class Backups : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox_ = std::make_unique<TestSandbox>("Backups");
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &sessionManager_);
        DWORD size = sizeof savedPending_;
        hadPending_ = RegQueryValueExA(sessionManager_, kPendingRenames, nullptr, &pendingType_,
                                       savedPending_, &size) == ERROR_SUCCESS;
        savedPendingSize_ = size;
        RegDeleteValueA(sessionManager_, kPendingRenames);
    }
    void TearDown() override {
        if (hadPending_)
            RegSetValueExA(sessionManager_, kPendingRenames, 0, pendingType_, savedPending_, savedPendingSize_);
        else
            RegDeleteValueA(sessionManager_, kPendingRenames);
        RegCloseKey(sessionManager_);
        for (const std::string& folder : backupFolders()) deleteTree(folder);
        sandbox_.reset();
    }

    std::string putFile(const std::string& name, const std::string& content) {
        const std::string path = sandbox_->root + "\\" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
        return path;
    }

    // The one backup file of the one backup folder.
    std::string onlyBackup() {
        const std::vector<std::string> folders = backupFolders();
        if (folders.size() != 1) return "";
        const std::vector<std::string> files = listFiles(folders[0]);
        return files.size() == 1 ? folders[0] + "\\" + files[0] : "";
    }

    std::unique_ptr<TestSandbox> sandbox_;
    HKEY sessionManager_ = nullptr;
    bool hadPending_ = false;
    DWORD pendingType_ = 0;
    BYTE savedPending_[8192];
    DWORD savedPendingSize_ = 0;
};

}  // namespace

// Hidden at the drive's root, and open to the user running the setup, the
// system and the administrators alone, with nothing inherited from the root.
TEST_F(Backups, TheFolderIsHiddenAndPrivate) {
    const std::string path = putFile("a.txt", "a");
    ASSERT_TRUE(setup::moveFileAside(path.c_str(), setup::FaultSite::backUpFile));
    EXPECT_FALSE(fileExists(path));
    const std::vector<std::string> folders = backupFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_NE(GetFileAttributesA(folders[0].c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(folders[0].c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, &acl, nullptr, &descriptor),
              ERROR_SUCCESS);
    // Nobody but the user, the system and the administrators may put,
    // change or take anything there. (Wine does not keep the list the
    // program gives: it makes the folder's Unix mode 0750 from it and
    // reports a list made from that mode, which lets everyone else read.)
    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[256];
    DWORD length = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &length));
    CloseHandle(token);
    char* self = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &self);
    const std::string trusted[] = {self, "S-1-5-18", "S-1-5-32-544"};
    LocalFree(self);
    constexpr DWORD kWriting = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA |
                               FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    ASSERT_NE(acl, nullptr);
    ASSERT_GT(acl->AceCount, 0u);
    for (WORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        char* text = nullptr;
        ConvertSidToStringSidA(&ace->SidStart, &text);
        const std::string member = text != nullptr ? text : "?";
        LocalFree(text);
        if (std::find(std::begin(trusted), std::end(trusted), member) == std::end(trusted)) {
            EXPECT_EQ(ace->Mask & kWriting, 0u) << member << " may write into the backup folder";
        }
    }
    LocalFree(descriptor);
    setup::restoreFileBackups();
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
}

// A backup another program holds open cannot be deleted: it and its folder,
// no longer hidden, go at the next restart. One whose place is taken by a
// folder cannot be put back: it goes back at the next restart, replacing
// whatever is there then.
TEST_F(Backups, WhatCannotBeDoneNowIsLeftToTheNextRestart) {
    struct Case {
        const char* what;
        bool rollback;
    };
    for (const Case& c : {Case{"a backup held open at the end", false}, Case{"a place taken at a rollback", true}}) {
        SCOPED_TRACE(c.what);
        RegDeleteValueA(sessionManager_, kPendingRenames);
        const std::string path = putFile("b.txt", "b");
        ASSERT_TRUE(setup::moveFileAside(path.c_str(), setup::FaultSite::backUpFile));
        const std::string backup = onlyBackup();
        ASSERT_FALSE(backup.empty());
        const std::string folder = backup.substr(0, backup.rfind('\\'));
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.rollback) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
            setup::restoreFileBackups();
            EXPECT_EQ(pendingOperations(),
                      (std::vector<std::string>{"\\??\\" + backup + ">!\\??\\" + path, "\\??\\" + folder + ">"}));
            RemoveDirectoryA(path.c_str());
        } else {
            held = CreateFileA(backup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
            setup::discardFileBackups();
            EXPECT_EQ(pendingOperations(),
                      (std::vector<std::string>{"\\??\\" + backup + ">", "\\??\\" + folder + ">"}));
            CloseHandle(held);
        }
        EXPECT_TRUE(fileExists(backup)) << "the backup is kept for the restart";
        EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << "a folder left is hidden";
        SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(backup.c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(path.c_str());
    }
}
