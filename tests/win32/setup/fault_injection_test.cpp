// Every failure point of a small product's installation: the fault-injection
// build of the setup program (setup_faults.exe) fails its Nth fallible
// system call, for every N the run reaches, and is cancelled after each of
// its chunks. It does so on two grounds: a fresh system, and one with files
// of the user's where the product goes and a previous installation of the
// product elsewhere (its files, folders, shortcuts, log, registry keys and
// uninstall entry). Each failed run must end with the code its failure is
// configured with and leave the ground exactly as it was: every file back
// byte for byte with its times and attributes, every folder, every registry
// value, no backup behind. The calls whose failure is silent (a shortcut the
// shell does not save, a picture that cannot be made, a previous
// installation's file or key that cannot be kept and so stays) must still
// complete the installation, and leave no backup either.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/journal/journal_format.h"
#include "format/package_format.h"
#include "test_product.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::string temporaryFolder() {
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    return folder;
}

// What one run of the test build wrote into its report.
struct RunReport {
    std::vector<std::string> calls;  // the site of every fallible call, in order
    std::string faultSite;           // the site that failed, empty when none did
    int chunks = 0;
    std::vector<std::string> boxes;
};

RunReport readReport(const std::string& path) {
    RunReport report;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string what, number, site;
        words >> what;
        if (what == "call" || what == "fault" || what == "kill") {
            words >> number >> site;
            report.calls.push_back(site);
            if (what == "fault") report.faultSite = site;
        } else if (what == "chunk") {
            ++report.chunks;
        } else if (what == "box") {
            report.boxes.push_back(line.substr(4));
        }
    }
    return report;
}

// The exit code each site's failure ends with; 0 for the silent ones.
const std::map<std::string, DWORD> kCodeOfSite = {
    {"createFile", 2},   {"writeFile", 5},         {"closeFile", 3},  {"createFolder", 4},
    {"createKey", 10},   {"setValue", 10},         {"closeKey", 10},  {"saveShortcut", 0},
    {"createPicture", 0}, {"backUpFile", 2},       {"backUpRemovedFile", 0}, {"saveKey", 0},
    {"saveValue", 10},   {"startJournal", 0},
};

// File times of 1999 and 2000, each file its own.
FILETIME fileTime(unsigned n) { return FILETIME{0x10000000u * n, 0x01BF0000u + n * 0x1000u}; }

void putFile(const std::string& path, const std::string& content, DWORD attributes, unsigned timeNumber) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    const FILETIME time = fileTime(timeNumber);
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
    SetFileAttributesA(path.c_str(), attributes);
}

void putValue(HKEY root, const std::string& key, const char* name, DWORD type, const std::string& data) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(handle);
}

std::string text(const std::string& s) { return std::string(s.c_str(), s.size() + 1); }

// Bytes by their count and a hash; a time as one hex number.
std::string bytesText(const std::string& bytes) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
    return std::to_string(bytes.size()) + " bytes #" + std::to_string(hash);
}

std::string timeText(const FILETIME& time) {
    return std::to_string((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// Every file and folder below `folder` with what a user would miss: a
// folder's attributes, a file's attributes, creation and write times and
// bytes. The last access is left out: reading the bytes here moves it.
void describeFiles(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        char attributes[16];
        std::snprintf(attributes, sizeof attributes, "0x%lx", found.dwFileAttributes);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name + "\\"] = std::string("folder ") + attributes;
            describeFiles(path, prefix + name + "\\", out);
        } else {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
            const std::vector<std::uint8_t> bytes = readWholeFile(path);
            out[prefix + name] = std::string("file ") + attributes + " c" + timeText(data.ftCreationTime) +
                                 " w" + timeText(data.ftLastWriteTime) + " " +
                                 bytesText(std::string(bytes.begin(), bytes.end()));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Every value below a key, sub-keys included, with its type and bytes.
void describeKey(HKEY root, const std::string& rootName, const std::string& key,
                 std::map<std::string, std::string>& out) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
    out[rootName + "\\" + key + "\\"] = "key";
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0, size = 0;
        BYTE data[1024];
        size = sizeof data;
        if (RegEnumValueA(handle, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        out[rootName + "\\" + key + "\\" + name] =
            std::to_string(type) + " " + bytesText(std::string(reinterpret_cast<char*>(data), size));
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(handle, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        describeKey(root, rootName, key + "\\" + name, out);
    }
    RegCloseKey(handle);
}

// What differs between two grounds, a line for each place.
std::string differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
    std::string out;
    for (const auto& [place, was] : before) {
        auto now = after.find(place);
        if (now == after.end()) out += "\n  gone: " + place + " = " + was;
        else if (now->second != was) out += "\n  changed: " + place + " = " + was + " -> " + now->second;
    }
    for (const auto& [place, is] : after)
        if (before.count(place) == 0) out += "\n  new: " + place + " = " + is;
    return out;
}

// What stands on the system before a run.
struct Ground {
    const char* name;
    bool earlierInstallation;
    bool unattendedFaults;  // the failure loop runs with /S; a cancel needs a run with windows
};

const Ground kGrounds[] = {
    {"a fresh system", false, false},
    {"earlier files and a previous installation", true, true},
};

class FaultInjectionRun : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        product_ = "Faults";
        useProduct(product());
        report_ = temporaryFolder() + "faults-report.txt";
        SetEnvironmentVariableA("SETUP_FAULT_REPORT", report_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("SETUP_FAULT_REPORT", nullptr);
        SetEnvironmentVariableA("SETUP_FAULT_AT", nullptr);
        SetEnvironmentVariableA("SETUP_CANCEL_AT", nullptr);
        DeleteFileA(installer_.c_str());
        DeleteFileA(report_.c_str());
    }

    void useProduct(const TestProduct& product) {
        installer_ = writeTempFile("faults-setup.exe",
                                   buildProductInstaller(readWholeFile(SETUP_FAULTS_PROGRAM_PATH), product));
    }

    std::string uninstallKey() const {
        return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setupkit " + product_;
    }

    // Two components (the second holding a name of the first again), files
    // in a sub-folder, three chunks, both kinds of shortcut, a registry
    // value, a file recorded for the uninstaller alone, the uninstall entry
    // and shortcut, and pictures for the progress window and the popups.
    TestProduct product(bool withKey = true) const {
        const std::string key = withKey ? "Software\\SetupkitTests\\" + product_ : "";
        const std::string app = "C:\\SetupkitTests\\" + product_ + "\\My App\\";
        TestProduct product{
            {
                {offsetof(fmt::TextSlots, productName), product_},
                {offsetof(fmt::TextSlots, productVersion), "1.0"},
                {offsetof(fmt::TextSlots, registryKey), key},
                {offsetof(fmt::TextSlots, defaultInstallDir), app},
                {offsetof(fmt::TextSlots, uninstallLogName), "InstallLog"},
                {offsetof(fmt::TextSlots, uninstallerName), "UnInst.exe"},
                {offsetof(fmt::TextSlots, uninstallDisplayName), "Setupkit " + product_},
                {offsetof(fmt::TextSlots, uninstallShortcutName), "Faults\\Uninstall"},
                {offsetof(fmt::TextSlots, msgConfirmInstall), "Install?"},
                {offsetof(fmt::TextSlots, msgConfirmUpgrade), "Upgrade?"},
                {offsetof(fmt::TextSlots, msgConfirmQuit), "Quit?"},
                {offsetof(fmt::TextSlots, msgCanceled), "Cancelled."},
                {offsetof(fmt::TextSlots, msgDoneStartMenu), "Done."},
                {offsetof(fmt::TextSlots, errCreateFile), "create %s: %s"},
                {offsetof(fmt::TextSlots, errCloseFile), "close %s: %s"},
                {offsetof(fmt::TextSlots, errCreatePath), "folder %s: %s"},
                {offsetof(fmt::TextSlots, errWriteFile), "write %s: %s"},
                {offsetof(fmt::TextSlots, errRegistry), "registry: %s"},
            },
            0x0F,
            0x3,
        };
        std::string level(40000, '\0');
        for (std::size_t i = 0; i < level.size(); ++i) level[i] = static_cast<char>(i * 7 + i / 300);
        product.components = {
            {"Main",
             {{"Game.exe", "MZ game"}, {"Data\\Level.dat", level}, {"UnInst.exe", "MZ"}},
             {{1, 0, "Game.exe", "Faults Game", ""},
              {2, 0, "Game.exe", "Faults\\Play", ""},
              {3, fmt::kRootCurrentUser, "Software\\SetupkitTests\\" + product_ + "\\Paths", "Home",
               "$(ExtrPath)"},
              {4, 0, "Notes.txt"}}},
            {"Extras", {{"Extras\\Readme.txt", "hello"}, {"Game.exe", "MZ game 2"}}, {}},
        };
        product.pictures = {{"faults-clip.avi", "not a clip"},
                            {"faults-info.ico", "not an icon"},
                            {"faults-undo.ico", "not an icon"}};
        product.images[fmt::kImageProgressAnimation] = 0;
        product.images[fmt::kImageUpdatingSystem] = 1;
        product.images[fmt::kImageUndoing] = 2;
        return product;
    }

    // The ground of the second kind: files of the user's where the product
    // goes (one read-only and hidden, one the product does not have, a
    // desktop shortcut of the product's name) and version 0.9 of the product
    // in another folder, as its own setup left it: files, a folder, two
    // shortcuts in a folder of the Programs menu, its log, values of every
    // kind in its key (which holds a key the log does not name, so the
    // removal keeps it), its user key with a sub-key, and its uninstall entry.
    void prepareEarlierInstallation(const TestSandbox& sandbox) {
        const std::string old = sandbox.root + "\\Old App\\";
        for (const std::string& folder : {sandbox.app, sandbox.app + "Extras", old, old + "Data",
                                          sandbox.programs() + "\\Faults"})
            CreateDirectoryA(folder.c_str(), nullptr);
        putFile(sandbox.app + "Game.exe", "the user's game", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 1);
        putFile(sandbox.app + "Extras\\Readme.txt", "the user's readme", FILE_ATTRIBUTE_ARCHIVE, 2);
        putFile(sandbox.app + "Notes.txt", "the user's notes", FILE_ATTRIBUTE_NORMAL, 3);
        putFile(sandbox.desktop() + "\\Faults Game.lnk", "the user's own shortcut", FILE_ATTRIBUTE_NORMAL, 4);
        putFile(old + "Game.exe", "MZ old game", FILE_ATTRIBUTE_ARCHIVE, 5);
        putFile(old + "Data\\Old.dat", std::string(20000, 'o'), FILE_ATTRIBUTE_NORMAL, 6);
        putFile(old + "UnInst.exe", "MZ old uninstaller", FILE_ATTRIBUTE_NORMAL, 7);
        putFile(sandbox.desktop() + "\\Faults Old.lnk", "old shortcut", FILE_ATTRIBUTE_NORMAL, 8);
        putFile(sandbox.programs() + "\\Faults\\Old.lnk", "old menu shortcut", FILE_ATTRIBUTE_NORMAL, 9);
        SetFileAttributesA((old + "Data").c_str(), FILE_ATTRIBUTE_HIDDEN);

        const std::string log = old + "InstallLog";
        const std::string key = sandbox.key;
        putValue(HKEY_LOCAL_MACHINE, key, "InstallDir", REG_SZ, text(old));
        putValue(HKEY_LOCAL_MACHINE, key, "Version", REG_SZ, text("0.9"));
        putValue(HKEY_LOCAL_MACHINE, key, "UnInstallLog", REG_SZ, text(log));
        putValue(HKEY_LOCAL_MACHINE, key + "\\Runtime", "Runs", REG_DWORD, std::string("\x07\0\0\0", 4));
        putValue(HKEY_CURRENT_USER, key, "Size", REG_DWORD, std::string("\xd2\x04\0\0", 4));
        putValue(HKEY_CURRENT_USER, key, "Blob", REG_BINARY, std::string("\0\x01\xff", 3));
        putValue(HKEY_CURRENT_USER, key, "Recent", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
        putValue(HKEY_CURRENT_USER, key, "", REG_SZ, text("the default value"));
        putValue(HKEY_CURRENT_USER, key + "\\Paths", "Home", REG_EXPAND_SZ, text("%TEMP%\\old home"));
        putValue(HKEY_LOCAL_MACHINE, uninstallKey(), "DisplayName", REG_SZ, text("Setupkit " + product_ + " 0.9"));
        putValue(HKEY_LOCAL_MACHINE, uninstallKey(), "UninstallString", REG_SZ,
                 text("\"" + old + "UnInst.exe\" " + log));
        putValue(HKEY_LOCAL_MACHINE, uninstallKey(), "DisplayVersion", REG_SZ, text("0.9"));

        const std::vector<std::uint8_t> bytes = buildInstallLog({
            {2, 0, 0, sandbox.root + "\\Old App"},
            {1, 0, 0, old + "Game.exe"},
            {2, 0, 0, old + "Data"},
            {1, 0, 0, old + "Data\\Old.dat"},
            {1, 0, 0, old + "UnInst.exe"},
            {1, 0, 0, sandbox.desktop() + "\\Faults Old.lnk"},
            {2, 0, 0, sandbox.programs() + "\\Faults"},
            {1, 0, 0, sandbox.programs() + "\\Faults\\Old.lnk"},
            {3, 0, fmt::kRootCurrentUser, key + "\\Paths"},
            {3, 1, fmt::kRootLocalMachine, key},
            {3, 1, fmt::kRootCurrentUser, key},
            {1, 0, 0, log},
        });
        putFile(log, std::string(bytes.begin(), bytes.end()), FILE_ATTRIBUTE_ARCHIVE, 10);
    }

    // What the run must give back: the sandbox's files and folders and the
    // product's keys and uninstall entry.
    std::map<std::string, std::string> ground(const TestSandbox& sandbox) {
        std::map<std::string, std::string> found;
        describeFiles(sandbox.root, "", found);
        describeKey(HKEY_LOCAL_MACHINE, "HKLM", sandbox.key, found);
        describeKey(HKEY_CURRENT_USER, "HKCU", sandbox.key, found);
        describeKey(HKEY_LOCAL_MACHINE, "HKLM", uninstallKey(), found);
        return found;
    }

    // One run on a fresh sandbox prepared as `where` says; `check` sees the
    // sandbox and what stood there before the run.
    template <typename Check>
    RunReport run(const Ground& where, const char* variable, long value, DWORD& exitCode, Check check) {
        TestSandbox sandbox(product_);
        if (where.earlierInstallation) prepareEarlierInstallation(sandbox);
        const std::map<std::string, std::string> before = ground(sandbox);
        DeleteFileA(report_.c_str());
        SetEnvironmentVariableA(variable, std::to_string(value).c_str());
        const bool unattended = where.unattendedFaults && std::string(variable) == "SETUP_FAULT_AT";
        // Into the sandbox's folder, not the earlier installation's, which an
        // upgrade would otherwise take.
        exitCode = runProgram(installer_, std::string(unattended ? "/S " : "") + "/D=" + sandbox.app).exitCode;
        SetEnvironmentVariableA(variable, nullptr);
        RunReport report = readReport(report_);
        check(sandbox, report, before);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
        return report;
    }

    // The run is undone: the ground as it was, no backup, no picture.
    void expectGroundAsBefore(const TestSandbox& sandbox, const std::map<std::string, std::string>& before,
                              const std::string& what) {
        EXPECT_EQ(differences(before, ground(sandbox)), "") << what;
        EXPECT_EQ(backupFolders(), std::vector<std::string>{}) << what;
        expectNoPictures(what);
    }

    // The run completed: the product is there, nothing of the backups.
    void expectInstalled(const TestSandbox& sandbox, const Ground& where, const std::string& what) {
        EXPECT_TRUE(fileExists(sandbox.app + "InstallLog")) << what;
        EXPECT_TRUE(fileExists(sandbox.app + "Data\\Level.dat")) << what;
        EXPECT_EQ(backupFolders(), std::vector<std::string>{}) << what;
        expectNoPictures(what);
        if (where.earlierInstallation) {
            // The user's shortcut is replaced, or stays when the shell saves none.
            EXPECT_TRUE(fileExists(sandbox.desktop() + "\\Faults Game.lnk")) << what;
            const std::vector<std::uint8_t> notes = readWholeFile(sandbox.app + "Notes.txt");
            EXPECT_EQ(std::string(notes.begin(), notes.end()), "the user's notes") << what;
            EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, sandbox.key, "Version"), "1.0") << what;
        }
    }

    // A killed attended run leaves its pictures in the temporary folder.
    void forgetKilledRunsPictures() {
        for (const char* name : {"faults-clip.avi", "faults-info.ico", "faults-undo.ico"})
            DeleteFileA((temporaryFolder() + name).c_str());
    }

    void expectNoPictures(const std::string& what) {
        for (const char* name : {"faults-clip.avi", "faults-info.ico", "faults-undo.ico"})
            EXPECT_FALSE(fileExists(temporaryFolder() + name)) << what << ": " << name;
    }

    std::string product_, installer_, report_;
};

}  // namespace

TEST_F(FaultInjectionRun, EveryFallibleCallFailsInTurnAndGivesBackTheGround) {
    std::map<std::string, int> covered;
    std::size_t points = 0;
    std::string perGround;
    for (const Ground& where : kGrounds) {
        SCOPED_TRACE(std::string(where.name) + (where.unattendedFaults ? ", unattended" : ""));
        DWORD code = 0;
        const RunReport clean = run(where, "SETUP_FAULT_AT", 0, code,
                                    [&](const TestSandbox& sandbox, const RunReport&,
                                        const std::map<std::string, std::string>&) {
                                        expectInstalled(sandbox, where, "a clean run");
                                    });
        ASSERT_EQ(code, 0u);
        ASSERT_GT(clean.calls.size(), 20u);
        for (long n = 1; n <= static_cast<long>(clean.calls.size()); ++n) {
            const std::string site = clean.calls[static_cast<std::size_t>(n - 1)];
            const std::string what = "call " + std::to_string(n) + " (" + site + ")";
            run(where, "SETUP_FAULT_AT", n, code,
                [&](const TestSandbox& sandbox, const RunReport& report, const std::map<std::string, std::string>& before) {
                    ASSERT_EQ(report.faultSite, site) << what << ": the runs do not repeat";
                    // A removed file that cannot be kept stays: an unattended run says so in its code.
                    const DWORD leftCode = site == "backUpRemovedFile" && where.unattendedFaults ? 25 : 0;
                    EXPECT_EQ(code, kCodeOfSite.at(site) != 0 ? kCodeOfSite.at(site) : leftCode) << what;
                    if (kCodeOfSite.at(site) != 0) {
                        expectGroundAsBefore(sandbox, before, what);
                        // The message the user sees, then nothing but the end.
                        if (!where.unattendedFaults) {
                            EXPECT_GE(report.boxes.size(), 2u) << what;
                        }
                    } else {
                        expectInstalled(sandbox, where, what);
                    }
                });
            ++covered[site];
        }
        points += clean.calls.size();
        perGround += std::string(" ") + where.name + ": " + std::to_string(clean.calls.size()) + ";";
    }
    std::string summary;
    for (const auto& [site, count] : covered) summary += " " + site + "=" + std::to_string(count);
    std::printf("failure points covered: %zu (%s ) (%s )\n", points, summary.c_str(), perGround.c_str());
    RecordProperty("failure_points", static_cast<int>(points));
    for (const auto& [site, code] : kCodeOfSite) EXPECT_GT(covered[site], 0) << site << " never reached";
}

TEST_F(FaultInjectionRun, CancelAfterEveryChunkGivesBackTheGround) {
    for (const Ground& where : kGrounds) {
        SCOPED_TRACE(where.name);
        DWORD code = 0;
        const RunReport clean = run(where, "SETUP_CANCEL_AT", 0, code,
                                    [](const TestSandbox&, const RunReport&, const std::map<std::string, std::string>&) {});
        ASSERT_EQ(code, 0u);
        ASSERT_EQ(clean.chunks, 7);  // three of the level, one of each small file
        for (long k = 1; k <= clean.chunks; ++k) {
            const std::string what = "cancel after chunk " + std::to_string(k);
            run(where, "SETUP_CANCEL_AT", k, code,
                [&](const TestSandbox& sandbox, const RunReport& report, const std::map<std::string, std::string>& before) {
                    EXPECT_EQ(code, 8u) << what;
                    expectGroundAsBefore(sandbox, before, what);
                    ASSERT_GE(report.boxes.size(), 3u) << what;
                    EXPECT_EQ(report.boxes[report.boxes.size() - 2], "Quit?") << what;
                    EXPECT_EQ(report.boxes.back(), "Cancelled.") << what;
                });
        }
    }
}

// Without a product key the log's path is a value of the registry root,
// which no log entry names: a failure after it must take it away too, and
// put back one that was there before (which names a previous installation
// whose log is gone: the run reports it and goes on).
TEST_F(FaultInjectionRun, FailureAfterTheRootLogValueGivesItBack) {
    useProduct(product(false));
    const Ground fresh = kGrounds[0];
    for (const std::string earlier : {"", "C:\\Elsewhere\\InstallLog"}) {
        auto setEarlierValue = [&] {
            if (earlier.empty())
                RegDeleteValueA(HKEY_LOCAL_MACHINE, "UnInstallLog");
            else
                putValue(HKEY_LOCAL_MACHINE, "", "UnInstallLog", REG_SZ, text(earlier));
        };
        setEarlierValue();
        DWORD code = 0;
        const RunReport clean = run(fresh, "SETUP_FAULT_AT", 0, code,
                                    [](const TestSandbox&, const RunReport&, const std::map<std::string, std::string>&) {});
        ASSERT_EQ(code, 0u);
        EXPECT_NE(registryText(HKEY_LOCAL_MACHINE, "", "UnInstallLog"), "<missing>");
        // The log file is the last file the run creates.
        long logCreate = 0;
        for (std::size_t i = 0; i < clean.calls.size(); ++i)
            if (clean.calls[i] == "createFile") logCreate = static_cast<long>(i + 1);
        setEarlierValue();
        run(fresh, "SETUP_FAULT_AT", logCreate, code,
            [&](const TestSandbox& sandbox, const RunReport&, const std::map<std::string, std::string>& before) {
                EXPECT_EQ(code, 2u) << earlier;
                expectGroundAsBefore(sandbox, before, "the log file cannot be created");
                EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, "", "UnInstallLog"), earlier.empty() ? "<missing>" : earlier);
            });
    }
    RegDeleteValueA(HKEY_LOCAL_MACHINE, "UnInstallLog");
}

// Every failure point again, now as the place where the process is killed
// outright (SETUP_KILL_AT: nothing of its own ending runs). The next start,
// unattended, finds the killed run's journal and undoes it before anything
// else; killed in its turn at its own first point (before it changes
// anything), it shows the ground exactly as the killed run found it, with
// no backup folder and no journal. A start after that installs normally:
// checked at every kInstallStride-th point, the same over each ground.
TEST_F(FaultInjectionRun, KilledAtEveryPointTheNextStartUndoesIt) {
    constexpr DWORD kKilled = 0xDEAD;
    constexpr long kInstallStride = 4;
    std::size_t points = 0;
    for (const Ground& where : kGrounds) {
        SCOPED_TRACE(where.name);
        DWORD code = 0;
        const RunReport clean = run(where, "SETUP_FAULT_AT", 0, code,
                                    [](const TestSandbox&, const RunReport&, const std::map<std::string, std::string>&) {});
        ASSERT_EQ(code, 0u);
        const long count = static_cast<long>(clean.calls.size());
        for (long n = 1; n <= count; ++n) {
            const std::string what =
                "killed at call " + std::to_string(n) + " (" + clean.calls[static_cast<std::size_t>(n - 1)] + ")";
            TestSandbox sandbox(product_);
            if (where.earlierInstallation) prepareEarlierInstallation(sandbox);
            const std::map<std::string, std::string> before = ground(sandbox);
            const std::string folder = "/D=" + sandbox.app;
            auto start = [&](long killAt, const std::string& arguments) {
                DeleteFileA(report_.c_str());
                SetEnvironmentVariableA("SETUP_KILL_AT", killAt != 0 ? std::to_string(killAt).c_str() : nullptr);
                const DWORD exitCode = runProgram(installer_, arguments).exitCode;
                SetEnvironmentVariableA("SETUP_KILL_AT", nullptr);
                return exitCode;
            };
            ASSERT_EQ(start(n, std::string(where.unattendedFaults ? "/S " : "") + folder), kKilled) << what;
            // Killed before its journal's folder is made, a run has changed nothing.
            if (clean.calls[static_cast<std::size_t>(n - 1)] != "startJournal")
                ASSERT_FALSE(backupFolders().empty()) << what << ": no journal was left";
            forgetKilledRunsPictures();

            EXPECT_EQ(start(1, "/S " + folder), kKilled) << what;
            const RunReport recovery = readReport(report_);
            ASSERT_FALSE(recovery.calls.empty()) << what;
            EXPECT_EQ(recovery.calls.front(), "startJournal") << what;
            expectGroundAsBefore(sandbox, before, what);

            if (n % kInstallStride == 0 || n == count) {
                EXPECT_EQ(start(0, "/S " + folder), 0u) << what;
                expectInstalled(sandbox, where, what);
            }
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
            if (HasFatalFailure()) return;
        }
        points += static_cast<std::size_t>(count);
    }
    std::printf("kill points covered: %zu\n", points);
    RecordProperty("kill_points", static_cast<int>(points));
}

// A killed run's journal that cannot be trusted undoes nothing: one whose
// bytes were changed, and one that names a file outside every place its run
// could have made something (with a sound checksum). The next unattended
// start ends with code 27 before it changes anything; the killed run's
// backups stay in their folder, no longer hidden, the journal renamed so that
// later starts go on.
TEST_F(FaultInjectionRun, UntrustedJournalUndoesNothingAndKeepsTheBackups) {
    const Ground& where = kGrounds[1];
    DWORD code = 0;
    const RunReport clean = run(where, "SETUP_FAULT_AT", 0, code,
                                [](const TestSandbox&, const RunReport&, const std::map<std::string, std::string>&) {});
    ASSERT_EQ(code, 0u);
    // Killed at its first file: the previous installation is moved aside by then.
    long firstFile = 0;
    for (std::size_t i = 0; i < clean.calls.size() && firstFile == 0; ++i)
        if (clean.calls[i] == "createFile") firstFile = static_cast<long>(i + 1);
    ASSERT_GT(firstFile, 0);
    const std::string outside = "C:\SetupkitTests\Outside.txt";
    struct Row {
        const char* what;
        bool foreignEntry;  // else a changed byte
    };
    for (const Row& row : {Row{"a changed byte", false}, Row{"a file outside its places", true}}) {
        SCOPED_TRACE(row.what);
        TestSandbox sandbox(product_);
        prepareEarlierInstallation(sandbox);
        putFile(outside, "not the product's", FILE_ATTRIBUTE_NORMAL, 11);
        SetEnvironmentVariableA("SETUP_KILL_AT", std::to_string(firstFile).c_str());
        ASSERT_EQ(runProgram(installer_, "/S /D=" + sandbox.app).exitCode, 0xDEADu);
        SetEnvironmentVariableA("SETUP_KILL_AT", nullptr);
        std::string journal;
        for (const std::string& folder : backupFolders())
            if (fileExists(folder + "\\RunJournal")) journal = folder + "\\RunJournal";
        ASSERT_NE(journal, "");
        std::vector<std::uint8_t> bytes = readWholeFile(journal);
        if (row.foreignEntry) {
            const setup::JournalEntryHead entry{fmt::kLogFile, 0, 0, 0};
            std::string payload(reinterpret_cast<const char*>(&entry), sizeof entry);
            payload += outside + '\0';
            const setup::JournalRecordHead head = setup::makeJournalHead(
                setup::JournalType::logEntry, setup::JournalChannel::none, payload.data(),
                static_cast<std::uint32_t>(payload.size()));
            const auto* h = reinterpret_cast<const std::uint8_t*>(&head);
            bytes.insert(bytes.end(), h, h + sizeof head);
            bytes.insert(bytes.end(), payload.begin(), payload.end());
        } else {
            bytes[bytes.size() / 2] ^= 0x20;
        }
        putFile(journal, std::string(bytes.begin(), bytes.end()), FILE_ATTRIBUTE_NORMAL, 12);
        const std::map<std::string, std::string> killed = ground(sandbox);
        const std::vector<std::string> folders = backupFolders();

        EXPECT_EQ(runProgram(installer_, "/S /D=" + sandbox.app).exitCode, 27u);
        EXPECT_EQ(differences(killed, ground(sandbox)), "");
        EXPECT_TRUE(fileExists(outside));
        EXPECT_EQ(backupFolders(), folders);
        EXPECT_FALSE(fileExists(journal));
        EXPECT_TRUE(fileExists(journal + ".damaged"));
        for (const std::string& folder : folders)
            EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << folder;
        // Met once: the next start installs.
        EXPECT_EQ(runProgram(installer_, "/S /D=" + sandbox.app).exitCode, 0u);
        for (const std::string& folder : folders) deleteTree(folder);
        DeleteFileA(outside.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
    }
}

// The uninstaller does not remove a product that a killed setup left half
// changed: it names the interrupted installation, exits with 7 and leaves
// everything to the setup program, whose next start undoes the killed run.
TEST_F(FaultInjectionRun, UninstallerLeavesAKilledRunToTheSetupProgram) {
    const Ground& where = kGrounds[0];
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
    DWORD code = 0;
    const RunReport clean = run(where, "SETUP_FAULT_AT", 0, code,
                                [](const TestSandbox&, const RunReport&, const std::map<std::string, std::string>&) {});
    ASSERT_EQ(code, 0u);
    TestSandbox sandbox(product_);
    const std::map<std::string, std::string> before = ground(sandbox);
    // Killed at its last point: its log, with the digest, is written.
    SetEnvironmentVariableA("SETUP_KILL_AT", std::to_string(clean.calls.size()).c_str());
    DeleteFileA(report_.c_str());
    ASSERT_EQ(runProgram(installer_, "/D=" + sandbox.app).exitCode, 0xDEADu)
        << readReport(report_).calls.size() << " calls of " << clean.calls.size();
    SetEnvironmentVariableA("SETUP_KILL_AT", nullptr);
    forgetKilledRunsPictures();
    ASSERT_TRUE(fileExists(sandbox.app + "InstallLog"));
    const std::map<std::string, std::string> killed = ground(sandbox);

    EXPECT_EQ(runProgram(UNINSTALLER_PATH, "/S " + sandbox.app + "InstallLog").exitCode, 7u);
    EXPECT_EQ(differences(killed, ground(sandbox)), "");
    ASSERT_FALSE(backupFolders().empty());

    SetEnvironmentVariableA("SETUP_KILL_AT", "1");
    EXPECT_EQ(runProgram(installer_, "/S /D=" + sandbox.app).exitCode, 0xDEADu);
    SetEnvironmentVariableA("SETUP_KILL_AT", nullptr);
    expectGroundAsBefore(sandbox, before, "undone after the uninstaller refused");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
}
