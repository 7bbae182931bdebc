// The uninstaller where its own process must be seen: whole runs on an
// installation the setup program made (the copy that removes the
// uninstaller's file, the lock objects, edited key entries), the key rules
// on a real registry, and the results of the removal shared with the setup
// program.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/removal/log_removal.h"
#include "format/package_format.h"
#include "format/sha256.h"
#include "test_product.h"
#include "test_support.h"
#include "uninstaller/removal/removal.h"

using namespace testing_support;

namespace {

constexpr int kExitRemoved = 0;
constexpr int kExitRunning = 4;
constexpr int kExitLeftOver = 5;

std::string contentOf(const std::string& path) {
    std::vector<std::uint8_t> bytes = readWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool keyExists(HKEY root, const std::string& key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

void makeKey(HKEY root, const std::string& key, const char* value = nullptr) {
    HKEY made;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
              ERROR_SUCCESS)
        << key;
    if (value != nullptr)
        RegSetValueExA(made, value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(made);
}

// The uninstaller's temporary copies in this user's temporary folder: each
// in a private folder of its own ("~uninst<random>\~uninst.exe"). A folder
// whose copy has gone waits for the next restart; it goes here, as then.
int temporaryCopies() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(folder) + "~uninst*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        const std::string path = std::string(folder) + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++count;
        } else if (GetFileAttributesA((path + "\\~uninst.exe").c_str()) != INVALID_FILE_ATTRIBUTES) {
            ++count;
        } else {
            RemoveDirectoryA(path.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// Waits until `done` holds, for at most ten seconds.
template <typename Condition>
bool eventually(Condition done) {
    for (int waited = 0; waited < 10000; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

// Writes a log file with the uninstaller's texts and the entries given, as
// the setup program lays it out (an edit may add entries behind its own).
void writeInstallLog(const std::string& path, const std::vector<std::string>& texts,
                     const std::vector<ParsedEntry>& entries) {
    std::vector<std::uint8_t> bytes(sizeof(fmt::UninstallHeader), 0);
    fmt::UninstallHeader header{};
    std::memcpy(header.magic, fmt::kUninstallMagic, sizeof header.magic);
    header.version = fmt::kUninstallVersion;
    for (std::size_t i = 0; i < fmt::kUninstallTextCount; ++i) {
        header.textOffsets[i] = static_cast<std::uint32_t>(bytes.size());
        bytes.insert(bytes.end(), texts[i].begin(), texts[i].end());
        bytes.push_back(0);
    }
    header.firstEntryOffset = static_cast<std::uint32_t>(bytes.size());
    for (const ParsedEntry& entry : entries) {
        const std::uint32_t textSize = fmt::logTextSize(static_cast<std::uint32_t>(entry.text.size()));
        const std::uint32_t next =
            static_cast<std::uint32_t>(bytes.size() - sizeof header + sizeof(fmt::LogEntry) + textSize);
        const fmt::LogEntry head{static_cast<fmt::u8>(entry.kind), static_cast<fmt::u8>(entry.flag), next,
                                 entry.value};
        const auto* p = reinterpret_cast<const std::uint8_t*>(&head);
        bytes.insert(bytes.end(), p, p + sizeof head);
        bytes.insert(bytes.end(), entry.text.begin(), entry.text.end());
        bytes.resize(bytes.size() + textSize - entry.text.size(), 0);
    }
    header.entryCount = static_cast<std::uint32_t>(entries.size());
    header.usedBytes = static_cast<std::uint32_t>(bytes.size() - sizeof header);
    std::memcpy(bytes.data(), &header, sizeof header);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Products installed by the setup program with the uninstaller of this
// build stored in them, in a sandbox whose folder has a blank in its name.
class UninstallerRun : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        product_ = std::string("Uninst") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        sandbox_ = std::make_unique<TestSandbox>(product_);
        entryKey_ = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setupkit " + product_;
    }
    void TearDown() override {
        sandbox_.reset();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, entryKey_.c_str());
        DeleteFileA(installer_.c_str());
    }

    const std::string& app() const { return sandbox_->app; }
    std::string uninstaller() const { return app() + "UnInst.exe"; }
    std::string logPath() const { return app() + "InstallLog"; }

    void install() {
        const std::string& key = sandbox_->key;
        TestProduct product{{
                                {offsetof(fmt::TextSlots, productName), product_},
                                {offsetof(fmt::TextSlots, productVersion), "1.0"},
                                {offsetof(fmt::TextSlots, registryKey), key},
                                {offsetof(fmt::TextSlots, defaultInstallDir), app()},
                                {offsetof(fmt::TextSlots, uninstallLogName), "InstallLog"},
                                {offsetof(fmt::TextSlots, uninstallerName), "UnInst.exe"},
                                {offsetof(fmt::TextSlots, uninstallDisplayName), "Setupkit " + product_},
                                {offsetof(fmt::TextSlots, uninstallShortcutName), "Demo\\Uninstall"},
                                {offsetof(fmt::TextSlots, msgConfirmInstall), "Install?"},
                                {offsetof(fmt::TextSlots, msgDoneStartMenu), "Done."},
                            },
                            fmt::kFlagDesktopShortcuts | fmt::kFlagUninstallEntry | fmt::kFlagUninstallShortcut,
                            0x1};
        product.components = {
            {"Main",
             {{"Game.exe", "MZ game"}, {"Data\\level.dat", "level"}, {"UnInst.exe", contentOf(UNINSTALLER_PATH)}},
             {{1, 0, "Game.exe", "Demo Game", ""}, {3, fmt::kRootCurrentUser, key + "\\Paths", "Home", "$(ExtrPath)"}}},
        };
        installer_ = writeTempFile((product_ + ".exe").c_str(),
                                   buildProductInstaller(readWholeFile(SETUP_PROGRAM_PATH), product));
        ASSERT_EQ(runProgram(installer_, "", {IDYES}).exitCode, 0u);
        ASSERT_TRUE(fileExists(uninstaller()));
        // The test record ships three uninstaller texts: the log gets all
        // nineteen, named for this product.
        const std::vector<std::uint8_t> log = readWholeFile(logPath());
        entries_ = parseLog(log.data(), log.size());
        writeTrustedLog(entries_);
    }

    // A log written by the test is made trustworthy as the setup program
    // makes its own: its digest under the product key.
    void writeTrustedLog(const std::vector<ParsedEntry>& entries) {
        writeInstallLog(logPath(), texts(), entries);
        const std::vector<std::uint8_t> bytes = readWholeFile(logPath());
        char digest[fmt::kSha256HexSize];
        fmt::sha256Hex(bytes.data(), bytes.size(), digest);
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, sandbox_->key.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "UnInstallLogSHA256", 0, REG_SZ, reinterpret_cast<const BYTE*>(digest), sizeof digest);
        RegCloseKey(key);
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> texts;
        for (unsigned i = 0; i < fmt::kUninstallTextCount; ++i) texts.push_back("text " + std::to_string(i));
        texts[0] = "UnInstall " + product_;
        texts[1] = "Lock_" + product_;
        texts[9] = "Some parts of " + product_ + " stay";
        texts[16] = product_;
        return texts;
    }

    bool installed() const {
        return fileExists(app() + "Game.exe") && fileExists(sandbox_->desktop() + "\\Demo Game.lnk") &&
               keyExists(HKEY_LOCAL_MACHINE, sandbox_->key) && keyExists(HKEY_CURRENT_USER, sandbox_->key) &&
               keyExists(HKEY_LOCAL_MACHINE, entryKey_);
    }

    void expectNothingLeft() {
        EXPECT_TRUE(eventually([&] { return !fileExists(uninstaller()); })) << "the uninstaller stays";
        EXPECT_TRUE(eventually([&] { return temporaryCopies() == 0; })) << "its temporary copy stays";
        EXPECT_EQ(GetFileAttributesA(app().c_str()), INVALID_FILE_ATTRIBUTES) << "the install folder stays";
        EXPECT_EQ(listFiles(sandbox_->root), (std::vector<std::string>{})) << "shortcuts stay";
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, sandbox_->key));
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, sandbox_->key));
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, entryKey_));
    }

    std::string product_, entryKey_, installer_;
    std::vector<ParsedEntry> entries_;
    std::unique_ptr<TestSandbox> sandbox_;
};

// The uninstaller cannot delete its own running file: a copy of it in the
// temporary folder waits while the uninstaller still shows its last
// message, then deletes the file and the folder, and goes itself.
TEST_F(UninstallerRun, ItsCopyRemovesTheUninstallerOnceItHasEnded) {
    install();
    ASSERT_EQ(temporaryCopies(), 0);
    PROCESS_INFORMATION run = startProgram(uninstaller(), logPath());
    ASSERT_NE(run.hProcess, nullptr);
    HWND question = waitForMessageBox(run.dwProcessId);
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    HWND done = nullptr;
    EXPECT_TRUE(eventually([&] {
        done = waitForMessageBox(run.dwProcessId);
        return done != question && IsWindow(done);
    }));
    // The last message is up: everything else is gone, the copy waits.
    EXPECT_EQ(listFiles(app()), (std::vector<std::string>{"UnInst.exe"}));
    EXPECT_EQ(temporaryCopies(), 1);
    Sleep(300);
    EXPECT_TRUE(fileExists(uninstaller())) << "the copy did not wait";
    PostMessageA(done, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(WaitForSingleObject(run.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(run.hProcess, &code);
    EXPECT_EQ(code, static_cast<DWORD>(kExitRemoved));
    CloseHandle(run.hThread);
    CloseHandle(run.hProcess);
    expectNothingLeft();
}

// While the product's lock object exists, or its setup runs, nothing is
// removed (exit code 4). Key entries edited into the log that name the
// system's or a shared key then delete nothing there, with or without the
// flag; the rest of the product goes, and exit code 5 tells what stayed.
TEST_F(UninstallerRun, RunningProductAndEditedKeyEntries) {
    install();
    HANDLE lock = CreateMutexA(nullptr, FALSE, ("Lock_" + product_).c_str());
    EXPECT_EQ(runProgram(uninstaller(), "/S " + logPath()).exitCode, static_cast<DWORD>(kExitRunning));
    CloseHandle(lock);
    HANDLE guard = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32,
                                      ("InstallSync_" + product_).c_str());
    EXPECT_EQ(runProgram(uninstaller(), "/S " + logPath()).exitCode, static_cast<DWORD>(kExitRunning));
    CloseHandle(guard);
    EXPECT_TRUE(installed()) << "something was removed";

    const std::string shared = "Software\\Microsoft\\SetupkitTests " + product_;
    const std::string topLevel = "SetupkitTests " + product_;
    makeKey(HKEY_LOCAL_MACHINE, shared + "\\Sub", "v");
    makeKey(HKEY_CURRENT_USER, topLevel, "v");
    std::vector<ParsedEntry> edited = entries_;
    edited.push_back({fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, shared});
    edited.push_back({fmt::kLogRegistryKey, 0, fmt::kRootCurrentUser, topLevel});
    writeTrustedLog(edited);
    ChildResult result = runProgram(uninstaller(), logPath(), {IDYES, IDOK});
    EXPECT_EQ(result.exitCode, static_cast<DWORD>(kExitLeftOver));
    ASSERT_EQ(result.seen.size(), 2u);
    EXPECT_EQ(result.seen[1].text, "Some parts of " + product_ + " stay");  // the errors window
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, shared + "\\Sub"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, topLevel));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, shared.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, topLevel.c_str());
    expectNothingLeft();
}

// A flag-1 key goes with everything below it, a flag-0 key only without
// sub-keys; each parent left without sub-keys follows; the system's keys
// stay whatever the flag.
TEST(UninstallerKeys, EachKeyEntryFollowsItsFlag) {
    const std::string base = "Software\\SetupkitTests\\UninstallerKeys";
    RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
    struct Case {
        std::vector<std::string> made;  // below base
        std::string entry;
        fmt::u8 flag;
        bool gone;
        std::vector<std::string> left;  // below base, afterwards
    };
    const Case cases[] = {
        {{"Owned\\Deep\\Deeper", "Owned\\Other"}, "Owned", 1, true, {}},
        {{"Written\\Sub"}, "Written", 0, false, {"Written", "Written\\Sub"}},
        {{"Written"}, "Written", 0, true, {}},
        {{"A\\B", "A\\C"}, "A\\B", 0, true, {"A", "A\\C"}},
        {{}, "Missing", 1, true, {}},
    };
    for (const Case& c : cases) {
        for (const std::string& key : c.made) makeKey(HKEY_CURRENT_USER, base + "\\" + key, "value");
        const std::string entry = base + "\\" + c.entry;
        EXPECT_EQ(uninstaller::removeLoggedKey(fmt::kRootCurrentUser, entry.c_str(), c.flag), c.gone) << c.entry;
        for (const std::string& key : c.left)
            EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, base + "\\" + key)) << c.entry << ": " << key;
        if (c.left.empty()) {
            EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, base)) << c.entry << ": the empty parents stay";
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
    }
    // A system key stays whatever the flag; so does a shared one's parent.
    const std::string shared = "Software\\Microsoft\\SetupkitTests UninstallerKeys";
    makeKey(HKEY_CURRENT_USER, shared + "\\Sub", "value");
    EXPECT_FALSE(uninstaller::removeLoggedKey(fmt::kRootCurrentUser, shared.c_str(), 1));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, shared + "\\Sub"));
    RegDeleteTreeA(HKEY_CURRENT_USER, shared.c_str());
}

// The removal shared with the setup program tells whether a thing is gone:
// a file held open or a folder that is not empty stays; what was never
// there counts as gone.
TEST(SharedRemoval, TellsWhatStays) {
    const std::string root = "C:\\SetupkitTests\\SharedRemoval";
    deleteTree(root);
    CreateDirectoryA("C:\\SetupkitTests", nullptr);
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\Full").c_str(), nullptr);
    HANDLE held = CreateFileA((root + "\\held.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    HANDLE inside = CreateFileA((root + "\\Full\\a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(inside);
    EXPECT_FALSE(setup::removeLoggedFile((root + "\\held.txt").c_str()));
    EXPECT_TRUE(setup::removeLoggedFile((root + "\\never.txt").c_str()));
    EXPECT_FALSE(setup::removeLoggedFolder((root + "\\Full").c_str()));
    EXPECT_TRUE(setup::removeLoggedFolder((root + "\\Never").c_str()));
    CloseHandle(held);
    EXPECT_TRUE(setup::removeLoggedFile((root + "\\held.txt").c_str()));
    EXPECT_TRUE(setup::removeLoggedFile((root + "\\Full\\a.txt").c_str()));
    EXPECT_TRUE(setup::removeLoggedFolder((root + "\\Full").c_str()));

    static std::uint8_t buffer[setup::kMaxLogFileSize];
    std::size_t size = 1;
    EXPECT_EQ(setup::readLogFile((root + "\\never.log").c_str(), buffer, size), setup::LogFileRead::notFound);
    HANDLE empty = CreateFileA((root + "\\empty.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(empty);
    EXPECT_EQ(setup::readLogFile((root + "\\empty.log").c_str(), buffer, size), setup::LogFileRead::corrupt);
    EXPECT_EQ(size, 0u);
    deleteTree(root);
}

}  // namespace
