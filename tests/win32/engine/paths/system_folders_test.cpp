// The system's folders through the spelling routine, in a prefix whose
// names the code page holds: each as the 8-bit call gives it, and the wide
// command line and search functions found where the system has them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/paths/system_folders.h"
#include "engine/removal/removal_places.h"
#include "engine/system/shell_folders.h"
#include "test_product.h"

namespace {

TEST(SystemFolders, SpeltAsTheEightBitCallsGiveThemWhereTheCodePageHoldsThem) {
    char temp[MAX_PATH], windows[MAX_PATH], system[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    struct Case {
        setup::SystemFolder which;
        const char* expected;
    };
    for (const Case& c : {Case{setup::SystemFolder::temporary, temp}, Case{setup::SystemFolder::windows, windows},
                          Case{setup::SystemFolder::system, system}}) {
        char folder[MAX_PATH];
        ASSERT_TRUE(setup::readSystemFolder(c.which, folder));
        EXPECT_STREQ(folder, c.expected);
    }
    char desktop[MAX_PATH];
    EXPECT_TRUE(setup::readShellFolder(setup::ShellFolder::desktop, desktop, sizeof desktop));
    EXPECT_NE(desktop[0], '\0');

    char shown[MAX_PATH] = "";
    EXPECT_FALSE(setup::findUnspellableFolder(shown, sizeof shown)) << shown;
}

// A folder whose name the code page lacks is taken by its short form, which
// names the same folder; the long name's best fit names none.
TEST(SystemFolders, ShortFormOfAFolderTheCodePageCannotSpell) {
    char temp[MAX_PATH];
    ASSERT_TRUE(setup::readSystemFolder(setup::SystemFolder::temporary, temp));
    WCHAR wide[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, temp, -1, wide, MAX_PATH), 0);
    std::wstring folder = std::wstring(wide) + L"\u0141\u00f3d\u017a";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);

    setup::SystemCodePage codePage;
    setup::SystemShortNames folders(true);
    char spelt[MAX_PATH];
    const auto* name = reinterpret_cast<const setup::WideChar*>(folder.c_str());
    EXPECT_EQ(setup::spellSystemName(name, codePage, folders, spelt, sizeof spelt), setup::Spelling::shortForm);
    const DWORD attributes = GetFileAttributesA(spelt);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << spelt;
    EXPECT_EQ(std::string(spelt).find('?'), std::string::npos) << spelt;
    RemoveDirectoryW(folder.c_str());
}

// A Desktop the code page cannot spell that has no short form (it does not
// exist, as on a volume without short names): no spelling, a message that
// marks what is missing, and removal places that allow nothing.
TEST(SystemFolders, FolderWithoutASpellingIsFoundAndBoundsEverything) {
    testing_support::ShellFoldersOverride saved("C:\\Windows\\Desktop", "C:\\Windows\\Start Menu\\Programs");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, setup::kShellFoldersKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const std::wstring desktop = L"C:\\\u0141\u00f3d\u017a-nowhere\\Desktop";
    RegSetValueExW(key, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(desktop.c_str()),
                   static_cast<DWORD>((desktop.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    char shown[MAX_PATH] = "";
    EXPECT_TRUE(setup::findUnspellableFolder(shown, sizeof shown));
    EXPECT_STREQ(shown, "C:\\?\xf3" "d?-nowhere\\Desktop");
    char spelt[MAX_PATH] = "left over";
    EXPECT_FALSE(setup::readShellFolder(setup::ShellFolder::desktop, spelt, sizeof spelt));
    EXPECT_STREQ(spelt, "");
    const setup::RemovalPlaces places;
    EXPECT_FALSE(places.complete);
    EXPECT_FALSE(places.usableInstallFolder("C:\\Program Files\\Product\\"));
}

}  // namespace
