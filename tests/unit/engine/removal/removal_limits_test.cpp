#include <gtest/gtest.h>

#include <string>

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
        {"C:\\P\\.. \\x", "C:\\x"},             // ".. " is ".."
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
