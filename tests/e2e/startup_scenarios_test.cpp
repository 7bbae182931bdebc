// Start-up of the setup program: finding the package, loading the
// configuration block, the single-instance guard, the version prompt and the
// completion message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>

#include "format/certificate_table.h"
#include "format/package_format.h"

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kArchiveCorrupt[] =
    "The archive inside INSTALL.EXE is corrupt.\nInstall failed and will exit.";
// Wine's caption for a message box whose caption is NULL or empty.
const char kDefaultCaption[] = "Error";
// The reserved area the configuration record decompresses into.
constexpr size_t kConfigArea = 787426;
constexpr size_t kScanStep = 32768;

// String-table text 1 with the program's path for its "%s".
std::string noPackageText(const std::string& windowsPath) {
    return "Cannot find installation data in the install file " + windowsPath +
           ".\nInstall failed and will exit.";
}

// Points the package header's configuration offset `beyond` bytes past the
// end of the file.
void setConfigOffset(Bytes& file, size_t beyond) {
    std::optional<size_t> start = findPackage(file);
    ASSERT_TRUE(start);
    writeU32(file, *start + offsetof(fmt::PackageHeader, configOffset),
             static_cast<uint32_t>(file.size() - *start + beyond));
}

class StartupScenario : public SetupScenario {
protected:
    // How a run's first box is answered: a posted click, the button itself
    // as a mouse presses it, or Esc.
    enum class Press { kClick, kMouse, kEscape };

    // The box a run must stop at first, and the answer to it.
    struct FirstBox {
        std::string caption, text;
        std::vector<int> buttons;
        int defaultButton;
        int answer;
        Press press = Press::kClick;
    };

    FirstBox installQuestion() const {
        return {productName() + " Setup", "Install " + productName() + " on this computer?",
                {kIdYes, kIdNo}, kIdYes, kIdNo};
    }
    FirstBox errorBox(const std::string& caption, const std::string& text) const {
        return {caption, text, {kIdOk}, kIdOk, kIdOk};
    }
    FirstBox newerRefusal() const {
        return errorBox(productName() + " Error", "A newer " + productName() + " is installed. Setup will exit.");
    }

    // Runs an installer that must stop at the box before anything else:
    // checks the box, answers it and returns the exit code.
    int runToFirstBox(const std::string& fileName, const FirstBox& expected) {
        Process& setup = start(fileName);
        std::optional<Window> box = waitWindow(fileName, "first-box");
        expectBox(box, expected.caption, expected.text, expected.buttons);
        if (!box) return exitCodeOf(setup);
        EXPECT_EQ(box->defaultButton, expected.defaultButton);
        switch (expected.press) {
        case Press::kClick: answer(*box, expected.answer); break;
        case Press::kMouse:
            EXPECT_TRUE(robot.clickButton(box->hwnd, expected.answer));
            EXPECT_TRUE(robot.waitGone(box->hwnd, kWindowTimeout));
            break;
        case Press::kEscape:
            EXPECT_TRUE(robot.pressEscape(box->hwnd)) << robot.lastOutput();
            EXPECT_TRUE(robot.waitGone(box->hwnd, kWindowTimeout)) << "Esc did not close the box";
            break;
        }
        return exitCodeOf(setup);
    }

    // A description with one small component, so that a run that is
    // accepted has something to install.
    ProductDescription installableDescription() {
        source("readme.txt", "read me\r\n");
        return descriptionWith({"readme.txt"});
    }
};

// ---- finding the package and loading the configuration block --------------

// Each row changes the built installer (or the program image alone) and
// runs it: a package that is not found names the program's path, a damaged
// configuration block is a corrupt archive (8 when only its checksum
// tells), and a package that is still sound asks to install.
TEST_F(StartupScenario, PackageAndConfigurationBlockAreFoundOrRefused) {
    enum class Outcome { kNoPackage, kCorrupt, kLoads };
    struct Row {
        const char* exe;
        bool programImage;  // the program image without a package
        std::function<void(Bytes&)> change;
        Outcome outcome;
        int exitCode;
    };
    const Row rows[] = {
        {"bare.exe", true, [](Bytes&) {}, Outcome::kNoPackage, kSetupDamagedPackage},
        {"shifted.exe", false,
         [](Bytes& file) {
             std::optional<size_t> start = findPackage(file);
             ASSERT_TRUE(start);
             insertBytes(file, *start, Bytes(2, 0));
             ASSERT_NE(findPackage(file), start) << "off the four-byte grid";
         },
         Outcome::kNoPackage, kSetupDamagedPackage},
        // The last scan step reads fewer bytes than its buffer holds; what
        // is left from the step before must not complete a magic pair: the
        // file ends with "VeLo" at a step boundary, the signature sits where
        // the previous step left the buffer word that follows it.
        {"leftover.exe", true,
         [](Bytes& file) {
             size_t last = (file.size() + kScanStep - 4 + kScanStep - 1) / kScanStep * kScanStep;
             file.resize(last + 4, 0);
             writeU32(file, last - kScanStep + 4, 0xDEADBABE);
             std::memcpy(&file[last], "VeLo", 4);
             ASSERT_FALSE(findPackage(file));
         },
         Outcome::kNoPackage, kSetupDamagedPackage},
        {"straddle.exe", false,
         [](Bytes& file) {
             ASSERT_TRUE(straddleScanStep(file));
             std::optional<size_t> start = findPackage(file);
             ASSERT_TRUE(start);
             ASSERT_EQ((*start + 4) % kScanStep, 0u) << "the magic pair across two scan steps";
         },
         Outcome::kLoads, kSetupDone},
        {"decoy.exe", false,
         [](Bytes& file) {
             std::optional<size_t> start = findPackage(file);
             ASSERT_TRUE(start);
             insertBytes(file, *start, Bytes{'V', 'e', 'L', 'o', 0xBF, 0xBA, 0xAD, 0xDE});  // 0xDEADBABF
         },
         Outcome::kLoads, kSetupDone},
        {"flipped.exe", false, [](Bytes& file) { ASSERT_TRUE(flipConfigBit(file, 10, 3)); }, Outcome::kCorrupt,
         kSetupChecksumError},
        {"badmagic.exe", false,
         [](Bytes& file) {
             std::optional<size_t> block = findConfigBlock(file);
             ASSERT_TRUE(block);
             file[*block + 1] = 'X';  // "-XOOFUS-"
         },
         Outcome::kCorrupt, kSetupDamagedPackage},
        {"wrongsize.exe", false,
         [](Bytes& file) {
             std::optional<size_t> block = findConfigBlock(file);
             ASSERT_TRUE(block);
             writeU32(file, *block + kConfigUnpackedSizeField, 17);
         },
         Outcome::kLoads, kSetupDone},
        {"fullarea.exe", false,
         [](Bytes& file) {
             std::optional<Bytes> record = unpackConfigRecord(file);
             ASSERT_TRUE(record);
             ASSERT_LE(record->size(), kConfigArea);
             record->resize(kConfigArea, 0);
             ASSERT_TRUE(replaceConfigRecord(file, *record));
         },
         Outcome::kLoads, kSetupDone},
        {"overarea.exe", false,
         [](Bytes& file) {
             std::optional<Bytes> record = unpackConfigRecord(file);
             ASSERT_TRUE(record);
             record->resize(kConfigArea + 1, 0);
             ASSERT_TRUE(replaceConfigRecord(file, *record));
         },
         Outcome::kCorrupt, kSetupDamagedPackage},
        // An offset up to the file's size is accepted by the seek; the read
        // of the block header behind it comes up short.
        {"atend.exe", false, [](Bytes& file) { setConfigOffset(file, 0); }, Outcome::kCorrupt,
         kSetupDamagedPackage},
        {"pastend.exe", false, [](Bytes& file) { setConfigOffset(file, 1); }, Outcome::kCorrupt,
         kSetupDamagedPackage},
        {"cut.exe", false, [](Bytes& file) { file.resize(file.size() - 10); }, Outcome::kCorrupt,
         kSetupDamagedPackage},
    };
    Bytes image, built = build(description());
    ASSERT_TRUE(readFile(E2E_SETUP_STUB, image));
    ASSERT_FALSE(built.empty());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exe);
        Bytes file = row.programImage ? image : built;
        row.change(file);
        if (HasFatalFailure()) return;
        const std::string path = writeInstaller(file, row.exe);
        const FirstBox expected = row.outcome == Outcome::kLoads     ? installQuestion()
                                  : row.outcome == Outcome::kCorrupt ? errorBox(kDefaultCaption, kArchiveCorrupt)
                                                                     : errorBox(kDefaultCaption, noPackageText(path));
        EXPECT_EQ(runToFirstBox(row.exe, expected), row.exitCode);
    }
}

// A signing tool appends a certificate table behind the package and names it
// in the image's security entry; the setup program finds and installs its
// package all the same, and inspect verifies it and sees the signature.
TEST_F(StartupScenario, SignedInstallerInstallsAndInspects) {
    const std::string key = hostDir() + "/signer.key", certificate = hostDir() + "/signer.pem";
    CommandResult made = runCommand({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                                     "-out", certificate, "-days", "1", "-subj", "/CN=E2E throw-away signer"},
                                    Milliseconds(30000), true);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::string sign = "osslsigncode sign -certs '" + certificate + "' -key '" + key +
                             "' -n 'E2E signed' -in {} -out {}.signed >/dev/null && mv {}.signed {}";
    Bytes file = build(installableDescription(), {"--sign", sign});
    ASSERT_FALSE(file.empty());
    const fmt::CertificateTable table = fmt::findCertificateTable(file.data(), file.size(), file.size());
    ASSERT_EQ(table.state, fmt::CertificateTableState::sound);
    EXPECT_EQ(std::uint64_t(table.offset) + table.size, file.size());

    writeInstaller(file, "signed.exe");
    CommandResult inspected =
        runCommand({E2E_MKPACKAGE, "inspect", "--json", hostDir() + "/signed.exe"}, Milliseconds(30000));
    EXPECT_EQ(inspected.exitCode, 0) << inspected.output;
    EXPECT_NE(inspected.output.find("\"present\": true"), std::string::npos) << inspected.output;

    EXPECT_FALSE(installToCompletion("signed.exe").completion.empty());
    EXPECT_EQ(contentOf(hostInstallFolder() + "readme.txt"), "read me\r\n");
}

// ---- single instance ---------------------------------------------------------

TEST_F(StartupScenario, SecondCopyEndsAtOnceWhileFirstWaits) {
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "first.exe");
    writeInstaller(file, "second.exe");  // same product, another file name

    Process& first = start("first.exe");
    std::optional<Window> question = waitWindow("first.exe", "first-question");
    ASSERT_TRUE(question);

    Process& second = start("second.exe");
    EXPECT_EQ(exitCodeOf(second), kSetupDone);
    EXPECT_TRUE(robot.list(WindowQuery::byExe("second.exe")).empty()) << "the second copy showed a window";
    screenshot("after-second");

    answer(*question, kIdNo);
    EXPECT_EQ(exitCodeOf(first), kSetupDone);

    // The name is free again once the first copy has ended.
    EXPECT_EQ(runToFirstBox("second.exe", installQuestion()), kSetupDone);
}

// ---- the version prompt ------------------------------------------------------

// The installed version against the package's: the question (or refusal)
// each comparison asks, its default button, and that answering it changes
// nothing. An installed version that cannot be read as a text of less than
// 64 characters counts as none.
TEST_F(StartupScenario, InstalledVersionChoosesTheQuestion) {
    struct Row {
        const char* label;
        const char* packageVersion;
        std::string installed;  // the Version value; empty: none
        bool installedAsNumber;
        FirstBox box;
        std::vector<std::pair<std::string, std::string>> texts = {};  // of the description
    };
    const std::string p = productName();
    FirstBox noAnswer = installQuestion();
    noAnswer.press = Press::kMouse;
    FirstBox escape = newerRefusal();
    escape.press = Press::kEscape;
    const FirstBox reinstall{p + " Setup", p + " is installed already. Install it again?", {kIdYes, kIdNo},
                             kIdNo, kIdNo};
    const FirstBox upgrade{p + " Setup", "An older " + p + " is installed. Upgrade it?", {kIdYes, kIdNo},
                           kIdYes, kIdNo};
    // Texts travel as Windows-1252: what the description says in UTF-8
    // (below) is what the message box holds as 8-bit text.
    const FirstBox cafe{"Caf\xe9 Setup", "Install Caf\xe9 S\xfc\xdf \x80" "5?", {kIdYes, kIdNo}, kIdYes, kIdNo};
    const Row rows[] = {
        {"none", "1.00", "", false, noAnswer},
        {"texts outside ASCII", "1.00", "", false, cafe,
         {{"titlePrompt", "Caf\u00e9 Setup"}, {"msgConfirmInstall", "Install Caf\u00e9 S\u00fc\u00df \u20ac5?"}}},
        {"same version in another case", "1.00h", "1.00H", false, reinstall},
        {"nine against ten", "1.10", "1.9", false, newerRefusal()},
        {"refusal closed with Esc", "1.10", "1.9", false, escape},
        {"64 characters", "1.00", std::string(64, '9'), false, installQuestion()},
        {"a number, not a text", "1.00", "2", true, installQuestion()},
        // "999...9" sorts after the package's "1.00": the refusal shows it was read.
        {"63 characters", "1.00", std::string(63, '9'), false, newerRefusal()},
        {"older", "1.10", "1.05", false, upgrade},
    };
    int index = 0;
    bool keyWritten = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ProductDescription product = description();
        product.version = row.packageVersion;
        for (const auto& [slot, text] : row.texts) product.setText(slot, text);
        const std::string exe = "version" + std::to_string(++index) + ".exe";
        ASSERT_TRUE(buildAs(product, exe));
        // Each row writes the value over the one before; a row without one
        // needs the key gone (the set-up removed it for the first rows).
        if (row.installed.empty() && keyWritten) wineSession().deleteRegistryKey(machineKey());
        keyWritten = keyWritten || !row.installed.empty();
        if (row.installedAsNumber) {
            ASSERT_TRUE(wineSession().setRegistryValue(machineKey(), "Version", "REG_DWORD", row.installed));
        } else if (!row.installed.empty()) {
            ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", row.installed));
        }

        EXPECT_EQ(runToFirstBox(exe, row.box), kSetupDone);
        if (row.installed.empty()) {
            EXPECT_FALSE(wineSession().registryKeyExists(machineKey())) << "a declined run wrote the key";
        } else if (!row.installedAsNumber) {
            EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version"), row.installed);
        }
    }
}

// ---- the end of an accepted run ----------------------------------------------

// The shortcut flags choose the completion text (none: the folder's, with
// the boot drive macro expanded; both: the Start menu's; the desktop flag
// alone: the desktop's), and a desktop shortcut action makes its shortcut
// only with its flag. The product is registered with its folder, version
// and log.
TEST_F(StartupScenario, ShortcutFlagsChooseTheCompletionText) {
    struct Row {
        const char* folder;
        std::vector<std::string> flags;
        std::string done;  // the completion text, %s the install folder
    };
    const std::string p = productName();
    const Row rows[] = {
        {"folder", {}, p + " is installed in %s."},
        {"startmenu", {"desktop-shortcuts", "start-menu-shortcuts"}, p + " is installed. Start it from the Start menu."},
        {"desktop", {"desktop-shortcuts"}, p + " is installed. Start it from the desktop."},
    };
    const std::string desktopLink = hostPathOf(shellFolder("Desktop") + "\\" + p + ".lnk");
    removeAtEnd(desktopLink);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        ProductDescription product = installableDescription();
        product.defaultFolder = std::string("$(BootDrive):\\e2e\\") + name() + "\\" + row.folder + "\\";
        product.flags = row.flags;
        product.extraToml = shortcutAction("desktop-shortcut", "readme.txt", p, "");
        const std::string exe = std::string(row.folder) + ".exe";
        ASSERT_TRUE(buildAs(product, exe));
        const std::string folder = windowsDir() + row.folder + "\\";
        std::string done = row.done;
        if (const size_t at = done.find("%s"); at != std::string::npos) done.replace(at, 2, folder);

        EXPECT_EQ(installToCompletion(exe).completion, done);
        EXPECT_EQ(contentOf(hostPathOf(folder) + "readme.txt"), "read me\r\n");
        EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version"), "1.00");
        EXPECT_EQ(wineSession().readRegistryString(machineKey(), "InstallDir"), folder);
        EXPECT_EQ(wineSession().readRegistryString(machineKey(), "UnInstallLog"), folder + "InstallLog");
        EXPECT_TRUE(fs::exists(hostPathOf(folder) + "InstallLog"));
        const bool desktopFlag =
            std::find(row.flags.begin(), row.flags.end(), "desktop-shortcuts") != row.flags.end();
        EXPECT_EQ(fs::exists(desktopLink), desktopFlag) << "a desktop shortcut without its flag, or none with it";
        // The next row installs afresh.
        fs::remove(desktopLink);
        wineSession().deleteRegistryKey(machineKey());
    }
}

}  // namespace
}  // namespace e2e
