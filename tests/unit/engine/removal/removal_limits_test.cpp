#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/removal/removal_limits.h"

using namespace setup;

TEST(RemovalLimits, NormalizesAsWindowsReadsPaths) {
    struct Case {
        const char* path;
        const char* normalized;  // nullptr: refused
    };
    const Case cases[] = {
        {"C:\\P\\a.txt", "C:\\P\\a.txt"},
        {"c:/P//sub/./a.txt", "c:\\P\\sub\\a.txt"},
        {"C:\\P\\sub\\..\\a.txt", "C:\\P\\a.txt"},
        {"C:\\P\\sub.\\a.txt ", "C:\\P\\sub\\a.txt"},
        {"C:\\P\\..\\..\\Windows", nullptr},   // above the root
        {"C:\\P\\.. \\x", nullptr},               // ".. " is no ".." on the way
        {"C:\\P\\..", "C:\\"},
        // Trailing dots and blanks go on the last level only; a level a
        // separator follows loses one closing dot at most.
        {"C:\\Prod. \\x", "C:\\Prod. \\x"},
        {"C:\\Prod...\\x", "C:\\Prod...\\x"},
        {"C:\\Prod..\\x", "C:\\Prod..\\x"},
        {"C:\\Prod \\x", "C:\\Prod \\x"},
        {"C:\\Prod.\\x", "C:\\Prod\\x"},
        {"C:\\Prod. \\", "C:\\Prod. "},
        {"C:\\P\\a. . ", "C:\\P\\a"},
        {"C:\\P\\ . \\x", nullptr},
        {"C:\\", "C:\\"},
        {"\\\\server\\share\\dir\\f", "\\\\server\\share\\dir\\f"},
        {"\\\\server\\share\\..\\x", nullptr},
        {"\\\\?\\C:\\Windows", nullptr},
        {"\\\\.\\PhysicalDrive0", nullptr},
        {"C:P\\a.txt", nullptr},
        {"P\\a.txt", nullptr},
        {"\\P\\a.txt", nullptr},
        {"C:\\P\\a.txt:stream", nullptr},
        {"C:\\P\\*.txt", nullptr},
        {"C:\\P\\NUL", nullptr},
        {"C:\\P\\...\\x", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char out[520];
        const bool ok = normalizeFullPath(c.path, out, sizeof out);
        if (c.normalized == nullptr) {
            EXPECT_FALSE(ok) << c.path << " -> " << out;
        } else {
            ASSERT_TRUE(ok) << c.path;
            EXPECT_STREQ(out, c.normalized) << c.path;
        }
    }
    char small[8];
    EXPECT_FALSE(normalizeFullPath("C:\\longer\\than\\eight", small, sizeof small));
}

TEST(RemovalLimits, ALogFromDiskReachesOnlyWhatAnInstallationMakes) {
    const RemovalLimits limits{"C:\\Games\\Acme\\Demo\\", "C:\\users\\u\\Desktop",
                               "C:\\users\\u\\Start Menu\\Programs"};
    struct Case {
        fmt::u8 kind;
        const char* path;
        bool allowed;
    };
    const Case cases[] = {
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo\\game.exe", true},
        {fmt::kLogFile, "c:\\games\\ACME\\demo\\data\\x.bin", true},
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo\\InstallLog", true},
        {fmt::kLogFile, "C:\\users\\u\\Desktop\\Demo.lnk", true},
        {fmt::kLogFile, "C:\\users\\u\\Start Menu\\Programs\\Acme\\Demo.lnk", true},
        {fmt::kLogFolder, "C:\\users\\u\\Start Menu\\Programs\\Acme", true},
        {fmt::kLogFolder, "C:\\Games\\Acme\\Demo\\data", true},
        {fmt::kLogFolder, "C:\\Games\\Acme\\Demo", true},   // the folder itself
        {fmt::kLogFolder, "C:\\Games\\Acme", true},         // made on the way to it
        {fmt::kLogFolder, "C:\\Games", true},
        {fmt::kLogFolder, "C:\\", false},                   // never a root
        {fmt::kLogFolder, "C:\\users\\u\\Desktop", false},  // a shell folder itself
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo", false},    // the folder is no file
        {fmt::kLogFile, "C:\\Games\\Acme\\DemoX\\a", false},
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo. \\a", false},  // a sibling a user can make
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo...\\a", false},
        {fmt::kLogFolder, "C:\\Games\\Acme\\Demo..", true},  // the folder itself, as Windows reads it
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo.\\a", true},
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo\\..\\..\\..\\Windows\\win.ini", false},
        {fmt::kLogFile, "C:\\Windows\\system32\\kernel32.dll", false},
        {fmt::kLogFile, "C:\\Games\\Acme\\other.dll", false},
        {fmt::kLogFolder, "C:\\Windows", false},
        {fmt::kLogFile, "D:\\Games\\Acme\\Demo\\x", false},
        {fmt::kLogFile, "\\\\?\\C:\\Games\\Acme\\Demo\\x", false},
        {fmt::kLogFile, "C:\\Games\\Acme\\Demo\\con", false},
        {fmt::kLogRegistryKey, "Software\\Anything", true},  // judged by the log check
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isWithinRemovalLimits(c.kind, c.path, limits), c.allowed) << c.path;
    }
    // Without shell folders only the install folder counts.
    const RemovalLimits bare{"C:\\P\\", "", nullptr};
    EXPECT_TRUE(isWithinRemovalLimits(fmt::kLogFile, "C:\\P\\a", bare));
    EXPECT_FALSE(isWithinRemovalLimits(fmt::kLogFile, "C:\\users\\u\\Desktop\\a.lnk", bare));
}

// Of the install folder's parents a log may remove only those an
// installation can have made: below the Program Files folder when it lies
// there, never the Windows folder or a user's profile.
TEST(RemovalLimits, OnlyTheParentsAnInstallationMakes) {
    RemovalLimits limits{"C:\\Program Files\\Acme\\Demo", "C:\\users\\u\\Desktop",
                         "C:\\users\\u\\Start Menu\\Programs"};
    limits.programFilesFolder = "C:\\Program Files";
    limits.windowsFolder = "C:\\Windows";
    struct Case {
        const char* installFolder;
        const char* folder;
        bool allowed;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Acme\\Demo", "C:\\Program Files\\Acme", true},
        {"C:\\Program Files\\Acme\\Demo", "C:\\Program Files", false},
        {"C:\\Program Files\\Acme\\Demo", "c:\\program files.", false},
        {"C:\\Games\\Acme\\Demo", "C:\\Games", true},
        {"C:\\Windows\\Acme\\Demo", "C:\\Windows\\Acme", false},
        {"C:\\Windows\\Acme\\Demo", "C:\\Windows", false},
        {"C:\\users\\u\\Demo", "C:\\users\\u", false},  // holds the shell folders
        {"C:\\users\\u\\Demo", "C:\\users", false},
        {"D:\\Demo", "D:\\", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        limits.installFolder = c.installFolder;
        EXPECT_EQ(isWithinRemovalLimits(fmt::kLogFolder, c.folder, limits), c.allowed);
    }
}

namespace {

// A log file's bytes with the given entries.
std::vector<fmt::u8> logWith(const std::vector<std::pair<fmt::u8, std::string>>& entries) {
    auto s = std::make_unique<fmt::UninstallSection>();
    std::memset(s.get(), 0, sizeof *s);
    std::memcpy(s->header.magic, fmt::kUninstallMagic, 8);
    s->header.version = fmt::kUninstallVersion;
    s->header.firstEntryOffset = s->header.savedFirstEntryOffset = 110;
    for (const auto& [kind, text] : entries) EXPECT_TRUE(appendLogEntry(*s, kind, 0, 0, text.c_str()));
    const auto* bytes = reinterpret_cast<const fmt::u8*>(s.get());
    return std::vector<fmt::u8>(bytes, bytes + 110 + s->header.usedBytes);
}

}  // namespace

// A folder in a shell folder is the product's only on the way to a shortcut
// its log names: another product's empty Start-menu folder is not.
TEST(RemovalLimits, AShellFoldersFolderOnlyWithTheLogsShortcutsInIt) {
    RemovalLimits limits{"C:\\Demo", "C:\\users\\u\\Desktop", "C:\\users\\u\\Programs"};
    limits.onlyShortcutsInShellFolders = true;
    const std::string programs = "C:\\users\\u\\Programs\\";
    struct Case {
        const char* what;
        std::vector<std::pair<fmt::u8, std::string>> entries;
        DiskLogVerdict verdict;
    };
    const Case cases[] = {
        {"its own folder", {{fmt::kLogFile, programs + "Acme\\Demo.lnk"}, {fmt::kLogFolder, programs + "Acme"}},
         DiskLogVerdict::ok},
        {"a deeper shortcut", {{fmt::kLogFile, programs + "Acme\\Demo\\Demo.lnk"}, {fmt::kLogFolder, programs + "Acme"}},
         DiskLogVerdict::ok},
        {"another product's", {{fmt::kLogFile, programs + "Acme\\Demo.lnk"}, {fmt::kLogFolder, programs + "Other"}},
         DiskLogVerdict::outsideLimits},
        {"a name that only begins alike",
         {{fmt::kLogFile, programs + "Acme Two\\Demo.lnk"}, {fmt::kLogFolder, programs + "Acme"}},
         DiskLogVerdict::outsideLimits},
        {"a document on the Desktop", {{fmt::kLogFile, "C:\\users\\u\\Desktop\\My Thesis.doc"}},
         DiskLogVerdict::outsideLimits},
        {"the install folder's own", {{fmt::kLogFile, "C:\\Demo\\a"}, {fmt::kLogFolder, "C:\\Demo\\sub"}},
         DiskLogVerdict::ok},
    };
    std::vector<LogItem> items(64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<fmt::u8> bytes = logWith(c.entries);
        EXPECT_EQ(checkDiskLog(bytes.data(), bytes.size(), limits, items.data(), items.size()), c.verdict);
    }
}

TEST(RemovalLimits, AnInstallFolderMustNotReachADriveOrTheSystem) {
    struct Case {
        const char* folder;
        bool usable;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Demo\\", true},
        {"C:\\Windows\\Demo", true},  // a product's own folder below the Windows folder
        {"D:\\Games", true},
        {"\\\\server\\share\\Demo", true},
        {"C:\\", false},
        {"D:\\", false},   // any drive's root, not only the Windows drive's
        {"e:/", false},
        {"D:\\Games\\..", false},
        {"D:\\. ", false},
        {"\\\\server\\share", false},
        {"\\\\server\\share\\", false},
        {"C:\\Windows\\", false},
        {"C:\\Windows.", false},
        {"c:\\windows\\system32", false},
        {"Demo", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isUsableInstallFolder(c.folder, "C:\\Windows", "C:\\Windows\\system32"), c.usable) << c.folder;
}
