// Every failure point of a small product's installation: the fault-injection
// build of the setup program (setup_faults.exe) fails its Nth fallible
// system call, for every N the run reaches, and is cancelled after each of
// its chunks. Each run must end with the code its failure is configured
// with and leave no file, folder or key behind; the calls whose failure is
// silent (a shortcut the shell does not save, a picture that cannot be made)
// must still complete the installation.
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
        if (what == "call" || what == "fault") {
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
    {"createFile", 2},   {"writeFile", 5},    {"closeFile", 3},
    {"createFolder", 4}, {"createKey", 10},   {"setValue", 10},
    {"closeKey", 10},    {"saveShortcut", 0}, {"createPicture", 0},
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

    // Two components, files in a sub-folder, three chunks, both kinds of
    // shortcut, a registry value, the uninstall entry and shortcut, and
    // pictures for the progress window and the popups.
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
               "$(ExtrPath)"}}},
            {"Extras", {{"Extras\\Readme.txt", "hello"}}, {}},
        };
        product.pictures = {{"faults-clip.avi", "not a clip"},
                            {"faults-info.ico", "not an icon"},
                            {"faults-undo.ico", "not an icon"}};
        product.images[fmt::kImageProgressAnimation] = 0;
        product.images[fmt::kImageUpdatingSystem] = 1;
        product.images[fmt::kImageUndoing] = 2;
        return product;
    }

    // One run in a fresh sandbox; `check` sees the sandbox before it goes.
    template <typename Check>
    RunReport run(const char* variable, long value, DWORD& exitCode, Check check) {
        TestSandbox sandbox(product_);
        DeleteFileA(report_.c_str());
        SetEnvironmentVariableA(variable, std::to_string(value).c_str());
        exitCode = runProgram(installer_, "").exitCode;
        SetEnvironmentVariableA(variable, nullptr);
        RunReport report = readReport(report_);
        check(sandbox, report);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
        return report;
    }

    // Nothing of the run may remain: no file or folder, no key, no picture.
    void expectNothingLeft(const TestSandbox& sandbox, const std::string& what) {
        EXPECT_EQ(listFiles(sandbox.root), std::vector<std::string>{}) << what;
        EXPECT_FALSE(fileExists(sandbox.app)) << what;
        EXPECT_FALSE(fileExists(sandbox.programs() + "\\Faults")) << what;
        HKEY key;
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            EXPECT_NE(RegOpenKeyExA(root, sandbox.key.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
                << what << ": the product key stays";
        }
        EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstallKey().c_str(), 0, KEY_READ, &key),
                  ERROR_SUCCESS)
            << what << ": the uninstall entry stays";
        expectNoPictures(what);
    }

    void expectNoPictures(const std::string& what) {
        for (const char* name : {"faults-clip.avi", "faults-info.ico", "faults-undo.ico"})
            EXPECT_FALSE(fileExists(temporaryFolder() + name)) << what << ": " << name;
    }

    std::string product_, installer_, report_;
};

}  // namespace

TEST_F(FaultInjectionRun, EveryFallibleCallFailsInTurnAndLeavesNothing) {
    DWORD code = 0;
    const RunReport clean = run("SETUP_FAULT_AT", 0, code, [&](const TestSandbox& sandbox, const RunReport&) {
        EXPECT_TRUE(fileExists(sandbox.app + "InstallLog"));
        expectNoPictures("a clean run");
    });
    ASSERT_EQ(code, 0u);
    ASSERT_GT(clean.calls.size(), 20u);
    std::map<std::string, int> covered;
    for (long n = 1; n <= static_cast<long>(clean.calls.size()); ++n) {
        const std::string site = clean.calls[static_cast<std::size_t>(n - 1)];
        const std::string what = "call " + std::to_string(n) + " (" + site + ")";
        run("SETUP_FAULT_AT", n, code, [&](const TestSandbox& sandbox, const RunReport& report) {
            ASSERT_EQ(report.faultSite, site) << what << ": the runs do not repeat";
            EXPECT_EQ(code, kCodeOfSite.at(site)) << what;
            if (kCodeOfSite.at(site) != 0) {
                expectNothingLeft(sandbox, what);
                // The message the user sees, then nothing but the end.
                EXPECT_GE(report.boxes.size(), 2u) << what;
            } else {
                EXPECT_TRUE(fileExists(sandbox.app + "InstallLog")) << what;
                EXPECT_TRUE(fileExists(sandbox.app + "Data\\Level.dat")) << what;
                expectNoPictures(what);
            }
        });
        ++covered[site];
    }
    std::string summary;
    for (const auto& [site, count] : covered) summary += " " + site + "=" + std::to_string(count);
    std::printf("failure points covered: %zu (%s )\n", clean.calls.size(), summary.c_str());
    RecordProperty("failure_points", static_cast<int>(clean.calls.size()));
    for (const auto& [site, code] : kCodeOfSite) EXPECT_GT(covered[site], 0) << site << " never reached";
}

TEST_F(FaultInjectionRun, CancelAfterEveryChunkLeavesNothing) {
    DWORD code = 0;
    const RunReport clean = run("SETUP_CANCEL_AT", 0, code, [](const TestSandbox&, const RunReport&) {});
    ASSERT_EQ(code, 0u);
    ASSERT_EQ(clean.chunks, 6);  // three of the level, one of each small file
    for (long k = 1; k <= clean.chunks; ++k) {
        const std::string what = "cancel after chunk " + std::to_string(k);
        run("SETUP_CANCEL_AT", k, code, [&](const TestSandbox& sandbox, const RunReport& report) {
            EXPECT_EQ(code, 8u) << what;
            expectNothingLeft(sandbox, what);
            ASSERT_GE(report.boxes.size(), 3u) << what;
            EXPECT_EQ(report.boxes[report.boxes.size() - 2], "Quit?") << what;
            EXPECT_EQ(report.boxes.back(), "Cancelled.") << what;
        });
    }
}

// Without a product key the log's path is a value of the registry root,
// which no log entry names: a failure after it must take it away too.
TEST_F(FaultInjectionRun, FailureAfterTheRootLogValueTakesItAway) {
    useProduct(product(false));
    DWORD code = 0;
    const RunReport clean = run("SETUP_FAULT_AT", 0, code, [](const TestSandbox&, const RunReport&) {});
    ASSERT_EQ(code, 0u);
    EXPECT_NE(registryText(HKEY_LOCAL_MACHINE, "", "UnInstallLog"), "<missing>");
    RegDeleteValueA(HKEY_LOCAL_MACHINE, "UnInstallLog");
    // The log file is the last file the run creates.
    long logCreate = 0;
    for (std::size_t i = 0; i < clean.calls.size(); ++i)
        if (clean.calls[i] == "createFile") logCreate = static_cast<long>(i + 1);
    run("SETUP_FAULT_AT", logCreate, code, [&](const TestSandbox& sandbox, const RunReport&) {
        EXPECT_EQ(code, 2u);
        expectNothingLeft(sandbox, "the log file cannot be created");
        EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, "", "UnInstallLog"), "<missing>");
    });
}
