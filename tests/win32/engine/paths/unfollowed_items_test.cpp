// Removing and putting back through handles: the same answers the calls by
// path gave (a file in use, read-only or a folder that is not empty stays),
// and a file given back over one left at its place is the earlier file,
// exactly. Links are the end-to-end scenarios' (tests/e2e/link_scenarios_test.cpp):
// only the host makes them in the prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/fault_injection.h"
#include "engine/in_use/held_files.h"
#include "engine/paths/unfollowed_items.h"
#include "engine/undo/file_backups.h"
#include "test_product.h"

using namespace testing_support;
using setup::ItemOutcome;

namespace {

void writeText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readText(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<none>";
    char buffer[256];
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

}  // namespace

TEST(UnfollowedItems, RemovesWhatIsThereAndTellsWhatIsNot) {
    TestSandbox sandbox("Unfollowed");
    const std::string root = sandbox.root;
    CreateDirectoryA((root + "\\full").c_str(), nullptr);
    writeText(root + "\\full\\in.txt", "in");
    CreateDirectoryA((root + "\\empty").c_str(), nullptr);
    writeText(root + "\\plain.txt", "plain");
    writeText(root + "\\readonly.txt", "kept");
    SetFileAttributesA((root + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    writeText(root + "\\held.txt", "held");
    HANDLE held = CreateFileA((root + "\\held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);

    struct Row {
        const char* path;
        bool folder;
        ItemOutcome outcome;
        bool staysThere;
    } rows[] = {
        {"\\plain.txt", false, ItemOutcome::done, false},
        {"\\missing.txt", false, ItemOutcome::missing, false},
        {"\\no\\such\\folder.txt", false, ItemOutcome::missing, false},
        {"\\plain.txt\\below.txt", false, ItemOutcome::missing, false},  // a file on the way
        {"\\readonly.txt", false, ItemOutcome::failed, true},
        {"\\held.txt", false, ItemOutcome::failed, true},
        {"\\empty", false, ItemOutcome::failed, true},  // a folder named as a file
        {"\\full", true, ItemOutcome::failed, true},
        {"\\empty", true, ItemOutcome::done, false},
        {"\\missing", true, ItemOutcome::missing, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path) + (row.folder ? " as a folder" : " as a file"));
        const std::string path = root + row.path;
        const ItemOutcome outcome =
            row.folder ? setup::removeFolderUnfollowed(path.c_str()) : setup::removeFileUnfollowed(path.c_str());
        EXPECT_EQ(static_cast<int>(outcome), static_cast<int>(row.outcome));
        EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, row.staysThere);
    }
    CloseHandle(held);
    SetFileAttributesA((root + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Each file is moved aside; the run then leaves a file of its own at its
// place, or the folder above it is gone. The rollback gives back the
// earlier file: its bytes, size and times, over what was left there, and
// makes the folders it needs.
TEST(UnfollowedItems, TheEarlierFileWinsExactly) {
    TestSandbox sandbox("EarlierWins");
    struct Row {
        const char* path;
        const char* left;  // what the run leaves at the path; nullptr: its folders are gone too
    } rows[] = {{"\\over.txt", "the run's file"}, {"\\deep\\er\\gone.txt", nullptr}};
    FILETIME written[2];
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string path = sandbox.root + rows[i].path;
        if (rows[i].left == nullptr) {
            CreateDirectoryA((sandbox.root + "\\deep").c_str(), nullptr);
            CreateDirectoryA((sandbox.root + "\\deep\\er").c_str(), nullptr);
        }
        writeText(path, std::string("earlier ") + rows[i].path);
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        written[i] = FILETIME{0x2a5f0000u + static_cast<DWORD>(i), 0x01c00000u};
        SetFileTime(file, nullptr, nullptr, &written[i]);
        CloseHandle(file);
        ASSERT_TRUE(setup::moveFileAside(path.c_str(), setup::FaultSite::backUpFile)) << path;
        if (rows[i].left != nullptr) {
            writeText(path, rows[i].left);
        } else {
            RemoveDirectoryA((sandbox.root + "\\deep\\er").c_str());
            RemoveDirectoryA((sandbox.root + "\\deep").c_str());
        }
    }
    setup::restoreFileBackups();
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(rows[i].path);
        const std::string path = sandbox.root + rows[i].path;
        EXPECT_EQ(readText(path), std::string("earlier ") + rows[i].path);
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, written[i].dwLowDateTime);
        EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, written[i].dwHighDateTime);
    }
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
}

// What the look for files in use counts as held: only a file that another
// opener keeps from being moved; one that lets it be moved, a read-only
// one and a missing one are no file in use. Nothing changes.
TEST(UnfollowedItems, OnlyAFileThatCannotBeMovedIsHeld) {
    TestSandbox sandbox("HeldProbe");
    const std::string root = sandbox.root;
    struct Row {
        const char* name;
        DWORD share;  // of the other opener; 0xFFFFFFFF: none opens it
        bool readOnly;
        bool held;
    } rows[] = {
        {"\\free.txt", 0xFFFFFFFF, false, false},
        {"\\shared-read.txt", FILE_SHARE_READ, false, true},
        {"\\shared-delete.txt", FILE_SHARE_READ | FILE_SHARE_DELETE, false, false},
        {"\\readonly.txt", 0xFFFFFFFF, true, false},
        {"\\missing.txt", 0xFFFFFFFF, false, false},
    };
    static setup::InUseList list;
    list.clear();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = root + row.name;
        const bool exists = std::string(row.name) != "\\missing.txt";
        if (exists) writeText(path, "content");
        if (row.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE other = row.share == 0xFFFFFFFF ? INVALID_HANDLE_VALUE
                                                : CreateFileA(path.c_str(), GENERIC_READ, row.share, nullptr,
                                                              OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(setup::noteIfHeld(path.c_str(), list), row.held);
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        if (row.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (exists) {
            EXPECT_EQ(readText(path), "content");
        }
    }
    ASSERT_EQ(list.fileCount, 1u);
    EXPECT_EQ(list.files[0], root + "\\shared-read.txt");
    // Wine's restart manager names no programs: the file stands for itself.
    setup::nameHoldingPrograms(list);
    const char* names[setup::InUseList::kMaxFiles];
    ASSERT_EQ(list.shownNames(names), 1u);

    // A loaded library's file may be moved aside, never deleted: held for
    // a removal only.
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    ASSERT_TRUE(length != 0 && length < sizeof program);
    std::string library(program);
    library = library.substr(0, library.rfind('\\') + 1) + "planted_probe.dll";
    const std::string loaded = root + "\\loaded.dll";
    ASSERT_TRUE(CopyFileA(library.c_str(), loaded.c_str(), FALSE)) << library;
    HMODULE module = LoadLibraryA(loaded.c_str());
    ASSERT_NE(module, nullptr);
    list.clear();
    EXPECT_FALSE(setup::noteIfHeld(loaded.c_str(), list));
    EXPECT_TRUE(setup::noteIfHeld(loaded.c_str(), list, true));
    FreeLibrary(module);
    EXPECT_FALSE(setup::noteIfHeld(loaded.c_str(), list, true));
}
