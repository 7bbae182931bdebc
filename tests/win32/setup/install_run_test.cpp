#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/log/uninstall_log.h"
#include "format/package_format.h"
#include "test_product.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr std::uint32_t kHKCU = fmt::kRootCurrentUser;
constexpr std::uint32_t kHKLM = fmt::kRootLocalMachine;
constexpr fmt::FileTime kLastEntryTime{0x8899AABBu, 0x01D6CCDDu};

std::string pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 300) & 0xFF);
    return text;
}

std::string contentOf(const std::string& path) {
    std::vector<std::uint8_t> bytes = readWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Whole runs of the setup program with a package of real files. Every test
// has its own product, registry key and folder, with the shell folders
// pointed into that folder.
class InstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        product_ = std::string("Run") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        sandbox_ = std::make_unique<TestSandbox>(product_);
        root_ = sandbox_->root;
        key_ = sandbox_->key;
        app_ = sandbox_->app;
        uninstallKey_ = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setupkit " + product_;
    }
    void TearDown() override {
        sandbox_.reset();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey_.c_str());
        for (const std::string& path : written_) DeleteFileA(path.c_str());
    }

    std::string desktop() const { return sandbox_->desktop(); }
    std::string programs() const { return sandbox_->programs(); }

    TextList texts(const char* version = "1.0") const {
        return {
            {offsetof(fmt::TextSlots, productName), product_},
            {offsetof(fmt::TextSlots, productVersion), version},
            {offsetof(fmt::TextSlots, registryKey), key_},
            {offsetof(fmt::TextSlots, defaultInstallDir), app_},
            {offsetof(fmt::TextSlots, uninstallLogName), "InstallLog"},
            {offsetof(fmt::TextSlots, uninstallerName), "UnInst.exe"},
            {offsetof(fmt::TextSlots, uninstallDisplayName), "Setupkit " + product_},
            {offsetof(fmt::TextSlots, uninstallShortcutName), "Demo\\Uninstall Demo"},
            {offsetof(fmt::TextSlots, msgConfirmInstall), "Install?"},
            {offsetof(fmt::TextSlots, msgConfirmUpgrade), "Upgrade?"},
            {offsetof(fmt::TextSlots, titlePrompt), "Prompt"},
            {offsetof(fmt::TextSlots, titleError), "Failure"},
            {offsetof(fmt::TextSlots, titleMessage), "Message"},
            {offsetof(fmt::TextSlots, msgDoneStartMenu), "Done: start menu."},
            {offsetof(fmt::TextSlots, msgDoneDesktop), "Done: desktop."},
            {offsetof(fmt::TextSlots, msgDoneFolder), "Done: installed in %s."},
            {offsetof(fmt::TextSlots, errRegistry), "Registry failure: %s"},
        };
    }

    ChildResult install(const TestProduct& product, const char* suffix = "") {
        std::vector<std::uint8_t> image = readWholeFile(SETUP_PROGRAM_PATH);
        std::string path = writeTempFile((product_ + suffix + ".exe").c_str(),
                                         buildProductInstaller(image, product));
        written_.push_back(path);
        return runProgram(path, "", {IDYES});
    }

    std::vector<ParsedEntry> installedLog() {
        std::vector<std::uint8_t> bytes = readWholeFile(app_ + "InstallLog");
        return parseLog(bytes.data(), bytes.size());
    }

    std::string product_, root_, key_, app_, uninstallKey_;
    std::unique_ptr<TestSandbox> sandbox_;
    std::vector<std::string> written_;
};

}  // namespace

TEST_F(InstallRun, CompleteRunRecordsEverythingItMadeInOrder) {
    TestProduct product{texts(), 0x0F, 0x5};
    TestFile last{"Music\\a.mid", "MThd music", kLastEntryTime};
    product.components = {
        {"Main",
         {{"Game.exe", "MZ game"}, {"Readme.txt", "hello"}, {"Data\\Level1.dat", pattern(40000)},
          {"UnInst.exe", "MZ uninstaller"}},
         {
             {1, 0, "Game.exe", "Demo Game", "-windowed"},
             {2, 0, "Game.exe", "Demo\\Sub\\Play", ""},
             {3, kHKCU, key_ + "\\Paths", "Home", "$(ExtrPath)Saves"},
             {4, 0, "Saves\\slot1.sav"},
             {5, 0, "config.ini"},
             {6, kHKCU, "Software\\$(ExtrPath)Raw"},
             {7, kHKLM, key_ + "\\Runtime"},
             {8, kHKCU, "Software\\Ignored", "x", "y"},
         }},
        {"Extras", {{"Extra.txt", "not selected"}}, {{4, 0, "extra.log"}}},
        {"Music", {last}, {{4, 0, "music.cfg"}}},
    };

    ChildResult result = install(product);
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes, 2);
    EXPECT_EQ(result.seen[1].text, "Done: start menu.");

    const std::string logPath = app_ + "InstallLog";
    const std::vector<ParsedEntry> expected{
        {2, 0, 0, root_ + "\\My App"},
        {1, 0, 0, app_ + "Game.exe"},
        {1, 0, 0, app_ + "Readme.txt"},
        {2, 0, 0, app_ + "Data"},
        {1, 0, 0, app_ + "Data\\Level1.dat"},
        {1, 0, 0, app_ + "UnInst.exe"},
        {2, 0, 0, app_ + "Music"},
        {1, 0, 0, app_ + "Music\\a.mid"},
        {1, 0, 0, desktop() + "\\Demo Game.lnk"},
        {2, 0, 0, programs() + "\\Demo"},
        {2, 0, 0, programs() + "\\Demo\\Sub"},
        {1, 0, 0, programs() + "\\Demo\\Sub\\Play.lnk"},
        {3, setup::kLogFlagMadeParent, kHKCU, key_},  // made on the way to Paths
        {3, 0, kHKCU, key_ + "\\Paths"},
        {1, 0, 0, app_ + "Saves\\slot1.sav"},
        {1, 1, 0, app_ + "config.ini"},
        {3, 0, kHKCU, "Software\\$(ExtrPath)Raw"},
        {3, 1, kHKLM, key_ + "\\Runtime"},
        {1, 0, 0, app_ + "music.cfg"},
        {3, 1, kHKLM, key_},
        {3, 1, kHKCU, key_},
        {1, 0, 0, programs() + "\\Demo\\Uninstall Demo.lnk"},
        {1, 0, 0, logPath},
    };
    EXPECT_EQ(installedLog(), expected);

    // The header keeps the shipped values and texts beside the final counts.
    std::vector<std::uint8_t> log = readWholeFile(logPath);
    ASSERT_GE(log.size(), sizeof(fmt::UninstallHeader) + kShippedUninstallTextsSize);
    fmt::UninstallHeader header;
    std::memcpy(&header, log.data(), sizeof header);
    EXPECT_EQ(header.entryCount, expected.size());
    EXPECT_EQ(header.savedEntryCount, 0u);
    EXPECT_EQ(header.firstEntryOffset, 110 + kShippedUninstallTextsSize);
    EXPECT_EQ(header.savedFirstEntryOffset, 110 + kShippedUninstallTextsSize);
    EXPECT_EQ(header.savedUsedBytes, kShippedUninstallTextsSize);
    EXPECT_EQ(log.size(), 110 + header.usedBytes);
    EXPECT_EQ(std::memcmp(log.data() + 110, kShippedUninstallTexts, kShippedUninstallTextsSize), 0);

    EXPECT_EQ(listFiles(root_), (std::vector<std::string>{
                                    "Desktop\\Demo Game.lnk", "My App\\Data\\Level1.dat",
                                    "My App\\Game.exe", "My App\\InstallLog", "My App\\Music\\a.mid",
                                    "My App\\Readme.txt", "My App\\UnInst.exe",
                                    "Programs\\Demo\\Sub\\Play.lnk",
                                    "Programs\\Demo\\Uninstall Demo.lnk"}));
    EXPECT_EQ(contentOf(app_ + "Data\\Level1.dat"), pattern(40000));

    // The log carries the time of the last file extracted.
    HANDLE file = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    EXPECT_EQ(written.dwLowDateTime, kLastEntryTime.low);
    EXPECT_EQ(written.dwHighDateTime, kLastEntryTime.high);

    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "InstallDir"), app_);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "Version"), "1.0");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "UnInstallLog"), logPath);
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, uninstallKey_, "UninstallString"),
              "\"" + app_ + "UnInst.exe\" " + logPath);
    EXPECT_EQ(registryText(HKEY_CURRENT_USER, key_ + "\\Paths", "Home"), app_ + "Saves");

    ShortcutInfo game = readShortcut(desktop() + "\\Demo Game.lnk");
    ASSERT_TRUE(game.loaded);
    EXPECT_EQ(game.target, app_ + "Game.exe");
    EXPECT_EQ(game.arguments, "-windowed");
    EXPECT_EQ(game.workingDir, app_);
}

TEST_F(InstallRun, UpgradeRemovesThePreviousInstallationByItsLog) {
    TestProduct first{texts("1.0"), 0x09, 0x1};
    first.components = {{"Main",
                         {{"Readme.txt", "first"}, {"Old.txt", "old"}, {"OldData\\x.dat", "x"}},
                         {{1, 0, "Game.exe", "Old Game", ""},
                          {3, kHKCU, key_ + "\\Old", "v", "1"}}}};
    TestProduct second{texts("1.1"), 0x09, 0x1};
    second.components = {{"Main",
                          {{"Readme.txt", "second"}, {"New.txt", "new"}},
                          {{1, 0, "Game.exe", "New Game", ""},
                           {3, kHKCU, key_ + "\\New", "v", "2"}}}};

    ChildResult firstRun = install(first, "-1");
    ASSERT_EQ(firstRun.exitCode, 0u);
    ASSERT_TRUE(fileExists(app_ + "OldData\\x.dat"));
    ChildResult secondRun = install(second, "-2");
    EXPECT_EQ(secondRun.exitCode, 0u);
    ASSERT_GE(secondRun.boxes, 1);
    EXPECT_EQ(secondRun.seen[0].text, "Upgrade?");

    EXPECT_EQ(listFiles(root_), (std::vector<std::string>{
                                    "Desktop\\New Game.lnk", "My App\\InstallLog", "My App\\New.txt",
                                    "My App\\Readme.txt", "Programs\\Demo\\Uninstall Demo.lnk"}));
    EXPECT_FALSE(fileExists(app_ + "OldData"));
    EXPECT_EQ(contentOf(app_ + "Readme.txt"), "second");
    EXPECT_EQ(registryText(HKEY_CURRENT_USER, key_ + "\\Old", "v"), "<missing>");
    EXPECT_EQ(registryText(HKEY_CURRENT_USER, key_ + "\\New", "v"), "2");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "Version"), "1.1");

    // The new log records this run alone, with the folder made again.
    EXPECT_EQ(installedLog(), (std::vector<ParsedEntry>{
                                  {2, 0, 0, root_ + "\\My App"},
                                  {1, 0, 0, app_ + "Readme.txt"},
                                  {1, 0, 0, app_ + "New.txt"},
                                  {1, 0, 0, desktop() + "\\New Game.lnk"},
                                  {3, setup::kLogFlagMadeParent, kHKCU, key_},
                                  {3, 0, kHKCU, key_ + "\\New"},
                                  {3, 1, kHKLM, key_},
                                  {3, 1, kHKCU, key_},
                                  {2, 0, 0, programs() + "\\Demo"},
                                  {1, 0, 0, programs() + "\\Demo\\Uninstall Demo.lnk"},
                                  {1, 0, 0, app_ + "InstallLog"},
                              }));
}

// Keys below a volatile key must be volatile too: writing a lasting one
// there is a real registry failure.
TEST_F(InstallRun, RegistryFailureUndoesTheRunAndEndsWithTen) {
    const std::string volatileKey = "Software\\SetupkitTests\\" + product_ + "Volatile";
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupkitTests", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, volatileKey.c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    TestProduct product{texts(), 0x02, 0x1};
    product.components = {{"Main",
                           {{"Readme.txt", "hello"}, {"Data\\d.dat", "data"}},
                           {{2, 0, "Game.exe", "Demo\\Play", ""},
                            {3, kHKCU, volatileKey + "\\Child", "v", "x"},
                            {4, 0, "after.txt"}}}};
    ChildResult result = install(product);
    RegDeleteTreeA(HKEY_CURRENT_USER, volatileKey.c_str());

    EXPECT_EQ(result.exitCode, 10u);
    ASSERT_EQ(result.boxes, 2);
    EXPECT_EQ(result.seen[1].caption, "Failure");
    EXPECT_EQ(result.seen[1].text.rfind("Registry failure: ", 0), 0u) << result.seen[1].text;
    EXPECT_GT(result.seen[1].text.size(), std::strlen("Registry failure: "));

    // Files, folders and the shortcut made before the failure are gone.
    EXPECT_EQ(listFiles(root_), std::vector<std::string>{});
    EXPECT_FALSE(fileExists(root_ + "\\My App"));
    EXPECT_FALSE(fileExists(programs() + "\\Demo"));
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, key_, "Version"), "<missing>");
}

TEST_F(InstallRun, FailureAfterTheUninstallEntryRemovesTheEntryToo) {
    // A folder where the log file must go: the last step fails with error 2.
    CreateDirectoryA(app_.c_str(), nullptr);
    CreateDirectoryA((app_ + "InstallLog").c_str(), nullptr);
    TestProduct product{texts(), fmt::kFlagUninstallEntry, 0x1};
    product.components = {{"Main", {{"Readme.txt", "hello"}}, {}}};
    ChildResult result = install(product);

    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_FALSE(fileExists(app_ + "Readme.txt"));
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, uninstallKey_, "DisplayName"), "<missing>");
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstallKey_.c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
}

TEST(Completion, RebootAnsweredYesAsksTheSystemAndEndsWithZero) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string marker = std::string(temp) + "setupkit-reboot-yes";
    DeleteFileA(marker.c_str());

    ChildResult yes = runProgram(self, "--child finish setupkit-reboot-yes", {IDYES});
    EXPECT_EQ(yes.exitCode, 0u);
    ASSERT_EQ(yes.boxes, 1);
    EXPECT_EQ(yes.caption, "Message");
    EXPECT_EQ(yes.text, "Restart now?");
    EXPECT_EQ(contentOf(marker), std::to_string(EWX_REBOOT));
    DeleteFileA(marker.c_str());
}

TEST(Completion, RebootAnsweredNoEndsWithZeroAndNoFurtherMessage) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string marker = std::string(temp) + "setupkit-reboot-no";
    DeleteFileA(marker.c_str());

    ChildResult no = runProgram(self, "--child finish setupkit-reboot-no", {IDNO});
    EXPECT_EQ(no.exitCode, 0u);
    EXPECT_EQ(no.boxes, 1);
    EXPECT_FALSE(fileExists(marker));
}
