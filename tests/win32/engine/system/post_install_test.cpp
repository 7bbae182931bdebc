#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/process_state.h"
#include "engine/extract/extraction_state.h"
#include "engine/extract/output_file.h"
#include "engine/failure/failure.h"
#include "engine/log/uninstall_log.h"
#include "engine/system/post_install.h"
#include "engine/system/product_registration.h"
#include "engine/system/shortcuts.h"
#include "engine/undo/registry_backups.h"
#include "engine/undo/run_backups.h"
#include "format/package_format.h"
#include "package/extra_texts.h"
#include "package/setup_config.h"
#include "test_product.h"

using namespace testing_support;

namespace {

constexpr std::uint32_t kHKCU = fmt::kRootCurrentUser;
constexpr std::uint32_t kHKLM = fmt::kRootLocalMachine;

// Each test works below its own folder and registry key, with the shell
// folders pointed into that folder.
class PostInstall : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        sandbox_ = std::make_unique<TestSandbox>(name_);
        root_ = sandbox_->root;
        key_ = sandbox_->key;
        app_ = sandbox_->app;
        std::strcpy(setup::installDir, app_.c_str());
    }
    void TearDown() override {
        setup::packageExtraTexts = {};
        setup::discardRunBackups();
        sandbox_.reset();
        resetLoadedState();
        setup::installDir[0] = '\0';
    }

    std::string desktop() const { return sandbox_->desktop(); }
    std::string programs() const { return sandbox_->programs(); }

    TextList texts() const {
        return {
            {offsetof(fmt::TextSlots, productName), name_},
            {offsetof(fmt::TextSlots, productVersion), "2.01"},
            {offsetof(fmt::TextSlots, registryKey), key_},
            {offsetof(fmt::TextSlots, uninstallLogName), "InstallLog"},
            {offsetof(fmt::TextSlots, uninstallerName), "UnInst.exe"},
            {offsetof(fmt::TextSlots, uninstallDisplayName), "Setupkit " + name_},
            {offsetof(fmt::TextSlots, uninstallShortcutName), "Demo\\Uninstall Demo"},
        };
    }

    void load(const TestProduct& product) { installRecord(buildProductRecord(product)); }

    std::string name_, root_, key_, app_;
    std::unique_ptr<TestSandbox> sandbox_;
};

}  // namespace

TEST_F(PostInstall, ProgramsShortcutCreatesAndLogsItsSubFolders) {
    load({texts(), 0x03});
    setup::createProgramsShortcut("Game.exe", "Demo\\Sub\\Play", "-windowed");

    const std::string link = programs() + "\\Demo\\Sub\\Play.lnk";
    EXPECT_EQ(loadedLogEntries(), (std::vector<ParsedEntry>{
                                      {2, 0, 0, programs() + "\\Demo"},
                                      {2, 0, 0, programs() + "\\Demo\\Sub"},
                                      {1, 0, 0, link},
                                  }));
    EXPECT_STREQ(setup::currentPath, link.c_str());
    ShortcutInfo info = readShortcut(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.target, app_ + "Game.exe");
    EXPECT_EQ(info.arguments, "-windowed");
    EXPECT_EQ(info.workingDir, app_);
}

TEST_F(PostInstall, DesktopShortcutFallsBackWhenTheShellFolderIsNotAString) {
    load({texts(), 0x01});
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD number = 7;
    RegSetValueExA(key, "Desktop", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), sizeof number);
    RegCloseKey(key);

    setup::createDesktopShortcut("Game.exe", name_.c_str(), "");
    const std::string link = "C:\\Windows\\Desktop\\" + name_ + ".lnk";
    std::vector<ParsedEntry> entries = loadedLogEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back(), (ParsedEntry{1, 0, 0, link}));
    EXPECT_TRUE(fileExists(link));
    DeleteFileA(link.c_str());
    if (entries.size() == 2) RemoveDirectoryA(entries[0].text.c_str());
}

TEST_F(PostInstall, ShortcutThatWouldNotFitMakesNothing) {
    load({texts(), 0x03});
    std::string longName(250, 'n');
    setup::createProgramsShortcut("Game.exe", ("Folder\\" + longName).c_str(), "");
    std::strcpy(setup::installDir, (root_ + "\\" + std::string(240, 'd') + "\\").c_str());
    setup::createDesktopShortcut("Game.exe", "Short", "");

    EXPECT_TRUE(loadedLogEntries().empty());
    EXPECT_EQ(listFiles(root_), std::vector<std::string>{});
    EXPECT_FALSE(fileExists(programs() + "\\Folder"));
}

TEST_F(PostInstall, ActionsRunByTypeFlagAndSelection) {
    TestProduct product{texts(), 0x00, 0x5};
    product.components = {
        {"Main", {}, {
            {1, 0, "Game.exe", "Desktop Game", ""},     // flag bit 0 clear
            {2, 0, "Game.exe", "Demo\\Play", ""},       // flag bit 1 clear
            {3, kHKCU, key_ + "\\$(ExtrPath)", "Home", "$(ExtrPath)Saves"},
            {4, 0, "Saves\\slot1.sav"},
            {5, 0, "config.ini"},
            {6, kHKCU, "Software\\$(ExtrPath)Raw"},
            {7, kHKLM, "Software\\Flagged"},
            {8, kHKCU, "Software\\Ignored", "x", "y"},
            {0, kHKCU, "Software\\Ignored"},
        }},
        {"Unselected", {}, {{4, 0, "unselected.txt"}}},
        {"Last", {}, {{4, 0, "last.txt"}}},
    };
    load(product);
    std::strcpy(setup::installDir, "Dest");
    // The tests' shared parent is there, the product's key is not: the run
    // logs that it made the one it makes on the way.
    HKEY shared;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupkitTests", 0, nullptr, 0, KEY_READ, nullptr,
                              &shared, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(shared);
    setup::ExtractionState state{};
    state.selectionMask = product.selection;
    setup::runPostInstallActions(state);

    EXPECT_EQ(loadedLogEntries(), (std::vector<ParsedEntry>{
                                      {3, setup::kLogFlagMadeParent, kHKCU, key_},  // made on the way
                                      {3, 0, kHKCU, key_ + "\\Dest"},
                                      {1, 0, 0, "DestSaves\\slot1.sav"},
                                      {1, 1, 0, "Destconfig.ini"},
                                      {3, 0, kHKCU, "Software\\$(ExtrPath)Raw"},
                                      {3, 1, kHKLM, "Software\\Flagged"},
                                      {1, 0, 0, "Destlast.txt"},
                                  }));
    EXPECT_EQ(registryText(HKEY_CURRENT_USER, key_ + "\\Dest", "Home"), "DestSaves");
    EXPECT_EQ(listFiles(root_), std::vector<std::string>{});
    EXPECT_EQ(registryText(HKEY_CURRENT_USER, "Software\\Ignored", "x"), "<missing>");
}

TEST_F(PostInstall, ActionFieldsWithoutTerminatorEndAtTheFieldsEnd) {
    TestProduct product{texts(), 0x00, 0x1};
    product.components = {{"Main", {}, {{6, kHKCU, std::string(128, 'k'), "next field"}}}};
    load(product);
    setup::ExtractionState state{};
    state.selectionMask = 1;
    setup::runPostInstallActions(state);
    EXPECT_EQ(loadedLogEntries(), (std::vector<ParsedEntry>{{3, 0, kHKCU, std::string(127, 'k')}}));
}

TEST_F(PostInstall, FileEntryThatWouldNotFitIsNotLogged) {
    TestProduct product{texts(), 0x00, 0x1};
    product.components = {{"Main", {}, {{4, 0, std::string(100, 'f')}, {5, 0, "short"}}}};
    load(product);
    std::strcpy(setup::installDir, (root_ + "\\" + std::string(180, 'd') + "\\").c_str());
    setup::ExtractionState state{};
    state.selectionMask = 1;
    setup::runPostInstallActions(state);
    EXPECT_EQ(loadedLogEntries(),
              (std::vector<ParsedEntry>{{1, 1, 0, std::string(setup::installDir) + "short"}}));
}

TEST_F(PostInstall, ProductRegistrationWritesBothValuesAndLogsTheKeyTwice) {
    load({texts()});
    setup::registerProduct();
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "InstallDir"), app_);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "Version"), "2.01");
    EXPECT_EQ(loadedLogEntries(), (std::vector<ParsedEntry>{{3, 1, kHKLM, key_}, {3, 1, kHKCU, key_}}));
}

TEST_F(PostInstall, EmptyProductKeyRegistersNothingButStillStoresTheLogPath) {
    TextList list = texts();
    list.push_back({offsetof(fmt::TextSlots, registryKey), ""});
    load({list});
    setup::registerProduct();
    EXPECT_TRUE(loadedLogEntries().empty());

    setup::writeUninstallLog(setup::ExtractionState{});
    // An empty key path names the root key itself.
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, "", "UnInstallLog"), app_ + "InstallLog");
    HKEY root;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_ALL_ACCESS, &root);
    RegDeleteValueA(root, "UnInstallLog");
    RegCloseKey(root);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, "", "InstallDir"), "<missing>");
    EXPECT_EQ(loadedLogEntries(), (std::vector<ParsedEntry>{{2, 0, 0, root_ + "\\My App"},
                                                            {1, 0, 0, app_ + "InstallLog"}}));
}

TEST_F(PostInstall, UninstallRegistrationShortcutAndLogFile) {
    load({texts(), 0x0C});
    CreateDirectoryA(app_.c_str(), nullptr);
    // An earlier, read-only log is replaced without a question.
    HANDLE old = CreateFileA((app_ + "InstallLog").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_READONLY, nullptr);
    DWORD written;
    WriteFile(old, "old log", 7, &written, nullptr);
    CloseHandle(old);
    setup::currentEntry.header.fileTime = {0x11223344u, 0x01D5AABBu};
    setup::registerProduct();
    setup::writeUninstallLog(setup::ExtractionState{});

    const std::string logPath = app_ + "InstallLog";
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "UnInstallLog"), logPath);
    const std::string uninstallKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setupkit " + name_;
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayName"), "Setupkit " + name_);
    // Both paths hold a blank: the program's is quoted, so that the system
    // takes no shorter path for the program; the log's is the rest of the line.
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString"),
              "\"" + app_ + "UnInst.exe\" " + logPath);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey.c_str());

    const std::string link = programs() + "\\Demo\\Uninstall Demo.lnk";
    ShortcutInfo info = readShortcut(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.target, app_ + "UnInst.exe");
    EXPECT_EQ(info.arguments, logPath);
    EXPECT_EQ(info.workingDir, app_);

    const std::vector<ParsedEntry> expected{
        {3, 1, kHKLM, key_}, {3, 1, kHKCU, key_},
        {2, 0, 0, programs() + "\\Demo"}, {1, 0, 0, link},
        {1, 0, 0, logPath},  // the log's own entry comes last
    };
    EXPECT_EQ(loadedLogEntries(), expected);

    // The file is the section's first 110 + usedBytes bytes, as they are now.
    std::vector<std::uint8_t> file = readWholeFile(logPath);
    const auto* section = reinterpret_cast<const std::uint8_t*>(&setup::config().uninstall);
    const std::size_t size = 110 + setup::config().uninstall.header.usedBytes;
    ASSERT_EQ(file.size(), size);
    EXPECT_EQ(std::memcmp(file.data(), section, size), 0);
    EXPECT_EQ(parseLog(file.data(), file.size()), expected);

    EXPECT_EQ(GetFileAttributesA(logPath.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    // The earlier log was moved aside as it was; the end of a successful
    // run deletes it, read-only as it is, and its folder.
    const std::vector<std::string> folders = backupFolders();
    ASSERT_EQ(folders.size(), 1u);
    const std::vector<std::string> backups = listFiles(folders[0]);
    ASSERT_EQ(backups.size(), 1u);
    const std::string backup = folders[0] + "\\" + backups[0];
    EXPECT_EQ(readWholeFile(backup), std::vector<std::uint8_t>({'o', 'l', 'd', ' ', 'l', 'o', 'g'}));
    EXPECT_NE(GetFileAttributesA(backup.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    setup::discardRunBackups();
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    HANDLE handle = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    FILETIME created, written2;
    GetFileTime(handle, &created, nullptr, &written2);
    CloseHandle(handle);
    EXPECT_EQ(written2.dwLowDateTime, 0x11223344u);
    EXPECT_EQ(written2.dwHighDateTime, 0x01D5AABBu);
}

// The entry the lists of installed programs and the package managers read:
// every value with its type, the version and icon from their fallbacks, a
// text of an earlier version's entry gone, and that entry back as it was
// when the run is undone.
TEST_F(PostInstall, UninstallEntryHoldsEveryValueTheListsRead) {
    TestProduct product{texts(), 0x04};
    product.components.push_back({"Main", {}, {{fmt::kActionDesktopShortcut, 0, "Bin\\app.exe", "App", ""}}});
    load(product);
    const auto extra = [](std::uint16_t id, const char* text) {
        setup::packageExtraTexts.present[id] = true;
        std::strcpy(setup::packageExtraTexts.text[id], text);
    };
    extra(fmt::kExtraTextPublisher, "Example Works");
    extra(fmt::kExtraTextHelpUrl, "https://example.com/help");
    setup::ExtractionState state{};
    state.selectionMask = 1;
    state.installedBytes = 5000;
    CreateDirectoryA(app_.c_str(), nullptr);
    // An earlier version's entry, with a text this one no longer has.
    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setupkit " + name_;
    HKEY earlier;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &earlier, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(earlier, "Comments", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
    RegCloseKey(earlier);
    setup::writeUninstallLog(state);

    const std::string logPath = app_ + "InstallLog";
    const auto number = [&](const char* value) {
        HKEY key;
        DWORD type = 0, data = 0, size = sizeof data;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, KEY_READ, &key);
        const LONG found = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
        RegCloseKey(key);
        return found == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long>(data) : -1L;
    };
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "DisplayName"), "Setupkit " + name_);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "DisplayVersion"), "2.01");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "Publisher"), "Example Works");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "InstallLocation"), app_);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "InstallDate"), date);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "DisplayIcon"), app_ + "Bin\\app.exe");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "QuietUninstallString"), "\"" + app_ + "UnInst.exe\" /S " + logPath);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "HelpLink"), "https://example.com/help");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "URLInfoAbout"), "<missing>");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "Comments"), "<missing>");
    EXPECT_EQ(number("EstimatedSize"), 5);
    EXPECT_EQ(number("NoModify"), 1);
    EXPECT_EQ(number("NoRepair"), 1);

    // The run did not make the entry: undone, it is the earlier one again.
    setup::removeWrittenUninstallEntry();
    setup::restoreRegistryBackups();
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "Comments"), "old");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, entry, "DisplayName"), "<missing>");
    EXPECT_EQ(number("NoModify"), -1);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry.c_str());
}

TEST_F(PostInstall, LogPathThatWouldNotFitFailsBeforeAnythingIsWritten) {
    load({texts(), 0x0C});
    std::strcpy(setup::installDir, (root_ + "\\" + std::string(240, 'd') + "\\").c_str());
    try {
        setup::writeUninstallLog(setup::ExtractionState{});
        FAIL() << "no failure raised";
    } catch (setup::xInstall* error) {
        EXPECT_EQ(error->code, 2u);
        EXPECT_EQ(error->systemError, static_cast<std::uint32_t>(ERROR_FILENAME_EXCED_RANGE));
    }
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "UnInstallLog"), "<missing>");
    EXPECT_TRUE(loadedLogEntries().empty());
}

TEST_F(PostInstall, UninstallKeyThatWouldNotFitIsARegistryFailure) {
    TextList list = texts();
    list.push_back({offsetof(fmt::TextSlots, uninstallDisplayName), std::string(220, 'u')});
    load({list, 0x04});
    try {
        setup::writeUninstallLog(setup::ExtractionState{});
        FAIL() << "no failure raised";
    } catch (setup::xInstall* error) {
        EXPECT_EQ(error->code, 10u);
        EXPECT_EQ(error->systemError, static_cast<std::uint32_t>(ERROR_FILENAME_EXCED_RANGE));
    }
    EXPECT_FALSE(fileExists(app_ + "InstallLog"));
}
