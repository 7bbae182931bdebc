// Start-up of the setup program: finding the package, loading the
// configuration block, the single-instance guard, the version prompt and the
// completion message.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <fstream>

#include "format/certificate_table.h"
#include "format/package_format.h"

#include "harness/process.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

const char kArchiveCorrupt[] =
    "The archive inside INSTALL.EXE is corrupt.\nInstall failed and will exit.";
// Wine's caption for a message box whose caption is NULL or empty.
const char kDefaultCaption[] = "Error";
// The reserved area the configuration record decompresses into.
constexpr size_t kConfigArea = 787426;

// String-table text 1 with the program's path for its "%s".
std::string noPackageText(const std::string& windowsPath) {
    return "Cannot find installation data in the install file " + windowsPath +
           ".\nInstall failed and will exit.";
}

class StartupScenario : public SetupScenario {
protected:
    // Runs an installer that must stop with a message box before anything
    // else: checks the box, presses OK and returns the exit code.
    int runToErrorBox(const std::string& fileName, const std::string& caption,
                      const std::string& text) {
        Process& setup = start(fileName);
        std::optional<Window> box = waitWindow(fileName, "error-box");
        expectBox(box, caption, text, {kIdOk});
        if (box) answer(*box, kIdOk);
        return exitCodeOf(setup);
    }

    // Runs an installer up to the install question, declines it and
    // returns the exit code.
    int declineInstallQuestion(const std::string& fileName) {
        Process& setup = start(fileName);
        std::optional<Window> box = waitWindow(fileName, "install-question");
        expectBox(box, productName() + " Setup", "Install " + productName() + " on this computer?",
                  {kIdYes, kIdNo});
        if (box) answer(*box, kIdNo);
        return exitCodeOf(setup);
    }

    // Accepts the install question, passes a wizard if one is shown, lets
    // other windows (status popups, the progress window) go by, and returns
    // the completion message box (left open).
    std::optional<Window> installUpToCompletion(const std::string& fileName) {
        std::optional<Window> question = waitWindow(fileName, "install-question");
        if (!question) return std::nullopt;
        acceptAndPassWizard(*question, fileName);
        for (int step = 0; step < 12; ++step) {
            std::optional<Window> window = waitWindow(fileName, "after-yes");
            if (!window) return std::nullopt;
            if (window->isMessageBox()) return window;
            robot.waitGone(window->hwnd, kWindowTimeout);
        }
        ADD_FAILURE() << "no completion message";
        return std::nullopt;
    }

    // A description with one small component, so that a run that is
    // accepted has something to install.
    ProductDescription installableDescription() {
        ProductDescription product = description();
        std::ofstream(hostDir() + "/readme.txt") << "read me\r\n";
        product.components.push_back({"Program", {"readme.txt"}});
        product.defaultSelection = {"Program"};
        return product;
    }
};

// ---- finding the package ---------------------------------------------------

TEST_F(StartupScenario, ProgramImageWithoutPackageNamesItsPath) {
    Bytes image;
    ASSERT_TRUE(readFile(E2E_SETUP_STUB, image));
    std::string path = writeInstaller(image, "bare.exe");
    EXPECT_EQ(runToErrorBox("bare.exe", kDefaultCaption, noPackageText(path)), 1);
}

TEST_F(StartupScenario, PackageOffTheFourByteGridIsNotFound) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<size_t> start = findPackage(file);
    ASSERT_TRUE(start);
    insertBytes(file, *start, Bytes(2, 0));
    ASSERT_NE(findPackage(file), start);
    std::string path = writeInstaller(file, "shifted.exe");
    EXPECT_EQ(runToErrorBox("shifted.exe", kDefaultCaption, noPackageText(path)), 1);
}

// The last scan step reads fewer bytes than its buffer holds; what is left in
// the buffer from the step before must not complete a magic pair.
TEST_F(StartupScenario, LeftoverBytesOfTheLastScanStepAreNoPackage) {
    Bytes file;
    ASSERT_TRUE(readFile(E2E_SETUP_STUB, file));
    const size_t step = 32768;
    // The file ends with "VeLo" at a step boundary; the signature sits where
    // the previous step left the buffer word that follows it.
    size_t last = (file.size() + step - 4 + step - 1) / step * step;
    file.resize(last + 4, 0);
    writeU32(file, last - step + 4, 0xDEADBABE);
    std::memcpy(&file[last], "VeLo", 4);
    ASSERT_FALSE(findPackage(file));
    std::string path = writeInstaller(file, "leftover.exe");
    EXPECT_EQ(runToErrorBox("leftover.exe", kDefaultCaption, noPackageText(path)), 1);
}

TEST_F(StartupScenario, MagicPairAcrossTwoScanStepsIsFound) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(straddleScanStep(file));
    std::optional<size_t> start = findPackage(file);
    ASSERT_TRUE(start);
    ASSERT_EQ((*start + 4) % 32768, 0u);
    writeInstaller(file, "straddle.exe");
    EXPECT_EQ(declineInstallQuestion("straddle.exe"), 0);
}

TEST_F(StartupScenario, MagicTextWithAnotherNumberIsPassedOver) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<size_t> start = findPackage(file);
    ASSERT_TRUE(start);
    Bytes decoy{'V', 'e', 'L', 'o', 0xBF, 0xBA, 0xAD, 0xDE};  // 0xDEADBABF
    insertBytes(file, *start, decoy);
    writeInstaller(file, "decoy.exe");
    EXPECT_EQ(declineInstallQuestion("decoy.exe"), 0);
}

// A signing tool appends a certificate table behind the package and names it
// in the image's security entry; the setup program finds and installs its
// package all the same, and inspect verifies it and sees the signature.
TEST_F(StartupScenario, SignedInstallerInstallsAndInspects) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
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

    const std::string path = writeInstaller(file, "signed.exe");
    CommandResult inspected =
        runCommand({E2E_MKPACKAGE, "inspect", "--json", hostDir() + "/signed.exe"}, Milliseconds(30000));
    EXPECT_EQ(inspected.exitCode, 0) << inspected.output;
    EXPECT_NE(inspected.output.find("\"present\": true"), std::string::npos) << inspected.output;

    Process& setup = start("signed.exe");
    std::optional<Window> done = installUpToCompletion("signed.exe");
    ASSERT_TRUE(done);
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    Bytes installed;
    EXPECT_TRUE(readFile(hostInstallFolder() + "readme.txt", installed));
    EXPECT_EQ(std::string(installed.begin(), installed.end()), "read me\r\n");
}

// ---- the configuration block -------------------------------------------------

TEST_F(StartupScenario, FlippedBitInConfigurationIsChecksumError) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(flipConfigBit(file, 10, 3));
    writeInstaller(file, "flipped.exe");
    EXPECT_EQ(runToErrorBox("flipped.exe", kDefaultCaption, kArchiveCorrupt), 8);
}

TEST_F(StartupScenario, WrongConfigurationMagicIsCorruptArchive) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<size_t> block = findConfigBlock(file);
    ASSERT_TRUE(block);
    file[*block + 1] = 'X';  // "-XOOFUS-"
    writeInstaller(file, "badmagic.exe");
    EXPECT_EQ(runToErrorBox("badmagic.exe", kDefaultCaption, kArchiveCorrupt), 1);
}

TEST_F(StartupScenario, WrongUnpackedSizeInBlockHeaderStillLoads) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<size_t> block = findConfigBlock(file);
    ASSERT_TRUE(block);
    writeU32(file, *block + kConfigUnpackedSizeField, 17);
    writeInstaller(file, "wrongsize.exe");
    EXPECT_EQ(declineInstallQuestion("wrongsize.exe"), 0);
}

TEST_F(StartupScenario, RecordFillingTheWholeAreaLoads) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<Bytes> record = unpackConfigRecord(file);
    ASSERT_TRUE(record);
    ASSERT_LE(record->size(), kConfigArea);
    record->resize(kConfigArea, 0);
    ASSERT_TRUE(replaceConfigRecord(file, *record));
    writeInstaller(file, "fullarea.exe");
    EXPECT_EQ(declineInstallQuestion("fullarea.exe"), 0);
}

TEST_F(StartupScenario, RecordOneByteLongerThanTheAreaIsCorrupt) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<Bytes> record = unpackConfigRecord(file);
    ASSERT_TRUE(record);
    record->resize(kConfigArea + 1, 0);
    ASSERT_TRUE(replaceConfigRecord(file, *record));
    writeInstaller(file, "overarea.exe");
    EXPECT_EQ(runToErrorBox("overarea.exe", kDefaultCaption, kArchiveCorrupt), 1);
}

TEST_F(StartupScenario, ConfigurationOffsetAtOrPastTheEndIsCorrupt) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    std::optional<size_t> start = findPackage(file);
    ASSERT_TRUE(start);
    const size_t offsetField = *start + offsetof(fmt::PackageHeader, configOffset);
    // An offset up to the file's size is accepted by the seek; the read of
    // the block header behind it comes up short.
    writeU32(file, offsetField, static_cast<uint32_t>(file.size() - *start));
    writeInstaller(file, "atend.exe");
    EXPECT_EQ(runToErrorBox("atend.exe", kDefaultCaption, kArchiveCorrupt), 1);

    writeU32(file, offsetField, static_cast<uint32_t>(file.size() + 1));
    writeInstaller(file, "pastend.exe");
    EXPECT_EQ(runToErrorBox("pastend.exe", kDefaultCaption, kArchiveCorrupt), 1);
}

TEST_F(StartupScenario, ConfigurationCutShortIsCorrupt) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    file.resize(file.size() - 10);
    writeInstaller(file, "cut.exe");
    EXPECT_EQ(runToErrorBox("cut.exe", kDefaultCaption, kArchiveCorrupt), 1);
}

// ---- single instance ---------------------------------------------------------

TEST_F(StartupScenario, SecondCopyEndsAtOnceWhileFirstWaits) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "first.exe");
    writeInstaller(file, "second.exe");  // same product, another file name

    Process& first = start("first.exe");
    std::optional<Window> question = waitWindow("first.exe", "first-question");
    ASSERT_TRUE(question);

    Process& second = start("second.exe");
    EXPECT_EQ(exitCodeOf(second, Milliseconds(10000)), 0);
    EXPECT_TRUE(robot.list(WindowQuery::byExe("second.exe")).empty()) << "the second copy showed a window";
    screenshot("after-second");

    answer(*question, kIdNo);
    EXPECT_EQ(exitCodeOf(first), 0);

    // The name is free again once the first copy has ended.
    EXPECT_EQ(declineInstallQuestion("second.exe"), 0);
}

// ---- the version prompt ------------------------------------------------------

TEST_F(StartupScenario, NoInstalledVersionAsksToInstallAndNoEnds) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "fresh.exe");
    Process& setup = start("fresh.exe");
    std::optional<Window> box = waitWindow("fresh.exe", "install-question");
    expectBox(box, productName() + " Setup", "Install " + productName() + " on this computer?",
              {kIdYes, kIdNo});
    ASSERT_TRUE(box);
    EXPECT_EQ(box->defaultButton, kIdYes);
    // The button itself, as a mouse click presses it.
    EXPECT_TRUE(robot.clickButton(box->hwnd, kIdNo));
    EXPECT_TRUE(robot.waitGone(box->hwnd, kWindowTimeout));
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey())) << "a declined run wrote the key";
}

// Texts travel as Windows-1252: what the description says in UTF-8 is what
// the message box holds as 8-bit text.
TEST_F(StartupScenario, TextsOutsideAsciiReachTheQuestionInTheirCodePage) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = description();
    product.setText("titlePrompt", "Caf\u00e9 Setup");  // UTF-8 in the description
    product.setText("msgConfirmInstall", "Install Caf\u00e9 S\u00fc\u00df \u20ac5?");
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "cafe.exe");

    Process& setup = start("cafe.exe");
    std::optional<Window> box = waitWindow("cafe.exe", "question");
    expectBox(box, "Caf\xe9 Setup", "Install Caf\xe9 S\xfc\xdf \x80" "5?", {kIdYes, kIdNo});
    if (box) answer(*box, kIdNo);
    EXPECT_EQ(exitCodeOf(setup), 0);
}

TEST_F(StartupScenario, SameVersionInOtherCaseAsksToReinstallWithNoAsDefault) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = description();
    product.version = "1.00h";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "again.exe");
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.00H"));

    Process& setup = start("again.exe");
    std::optional<Window> box = waitWindow("again.exe", "reinstall-question");
    expectBox(box, productName() + " Setup",
              productName() + " is installed already. Install it again?", {kIdYes, kIdNo});
    ASSERT_TRUE(box);
    EXPECT_EQ(box->defaultButton, kIdNo);
    answer(*box, kIdNo);
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version"), "1.00H");
}

TEST_F(StartupScenario, InstalledNineAgainstPackageTenIsRefusedAsNewer) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = description();
    product.version = "1.10";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "older.exe");
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.9"));

    EXPECT_EQ(runToErrorBox("older.exe", productName() + " Error",
                            "A newer " + productName() + " is installed. Setup will exit."),
              0);
}

TEST_F(StartupScenario, RefusalClosedWithEscapeEndsWithZero) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = description();
    product.version = "1.10";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "escape.exe");
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.9"));

    Process& setup = start("escape.exe");
    std::optional<Window> box = waitWindow("escape.exe", "refusal");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, productName() + " Error");
    EXPECT_TRUE(robot.pressEscape(box->hwnd)) << robot.lastOutput();
    EXPECT_TRUE(robot.waitGone(box->hwnd, kWindowTimeout)) << "Esc did not close the box";
    EXPECT_EQ(exitCodeOf(setup), 0);
}

// An installed version that cannot be read as a text of less than 64
// characters counts as none: the plain install question comes.
TEST_F(StartupScenario, UnreadableInstalledVersionsCountAsNone) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "unreadable.exe");

    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", std::string(64, '9')));
    EXPECT_EQ(declineInstallQuestion("unreadable.exe"), 0) << "a 64-character version";

    ASSERT_TRUE(wineSession().setRegistryValue(machineKey(), "Version", "REG_DWORD", "2"));
    EXPECT_EQ(declineInstallQuestion("unreadable.exe"), 0) << "a number, not a text";
}

TEST_F(StartupScenario, InstalledVersionOfSixtyThreeCharactersIsRead) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    Bytes file = build(description());
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "longest.exe");
    // "999...9" sorts after the package's "1.00": the refusal shows it was read.
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", std::string(63, '9')));
    EXPECT_EQ(runToErrorBox("longest.exe", productName() + " Error",
                            "A newer " + productName() + " is installed. Setup will exit."),
              0);
}

TEST_F(StartupScenario, OlderInstalledVersionAsksToUpgrade) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = description();
    product.version = "1.10";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "upgrade.exe");
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.05"));

    Process& setup = start("upgrade.exe");
    std::optional<Window> box = waitWindow("upgrade.exe", "upgrade-question");
    expectBox(box, productName() + " Setup",
              "An older " + productName() + " is installed. Upgrade it?", {kIdYes, kIdNo});
    ASSERT_TRUE(box);
    EXPECT_EQ(box->defaultButton, kIdYes);
    answer(*box, kIdNo);
    EXPECT_EQ(exitCodeOf(setup), 0);
}

// ---- the end of an accepted run ----------------------------------------------

TEST_F(StartupScenario, BootDriveMacroAndFolderCompletionText) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = installableDescription();
    product.defaultFolder = "$(BootDrive):\\e2e\\" + name() + "\\installed\\";
    product.flags = {};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "folder.exe");

    Process& setup = start("folder.exe");
    std::optional<Window> done = installUpToCompletion("folder.exe");
    expectBox(done, productName(), productName() + " is installed in " + installFolder() + ".",
              {kIdOk});
    if (done) answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    Bytes installed;
    EXPECT_TRUE(readFile(hostInstallFolder() + "readme.txt", installed));
    EXPECT_EQ(std::string(installed.begin(), installed.end()), "read me\r\n");
    // The product is registered with its folder and version and its log.
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version"), "1.00");
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "InstallDir"), installFolder());
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "UnInstallLog"),
              installFolder() + "InstallLog");
    EXPECT_TRUE(readFile(hostInstallFolder() + "InstallLog", installed));
}

TEST_F(StartupScenario, BothShortcutFlagsChooseStartMenuCompletionText) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = installableDescription();
    product.flags = {"desktop-shortcuts", "start-menu-shortcuts"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "startmenu.exe");

    Process& setup = start("startmenu.exe");
    std::optional<Window> done = installUpToCompletion("startmenu.exe");
    expectBox(done, productName(),
              productName() + " is installed. Start it from the Start menu.", {kIdOk});
    if (done) answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
}

TEST_F(StartupScenario, DesktopFlagAloneChoosesDesktopCompletionText) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    ProductDescription product = installableDescription();
    product.flags = {"desktop-shortcuts"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "desktop.exe");

    Process& setup = start("desktop.exe");
    std::optional<Window> done = installUpToCompletion("desktop.exe");
    expectBox(done, productName(), productName() + " is installed. Start it from the desktop.",
              {kIdOk});
    if (done) answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
}

}  // namespace
}  // namespace e2e
