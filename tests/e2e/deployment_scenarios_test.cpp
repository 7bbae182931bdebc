// At home in the tools that deploy and manage software: the complete
// uninstall entry after an attended and an unattended install, Wine's own
// list of programs, the quiet uninstall command run as it stands, no entry
// after a failed run, the minimal description's boxes, /PASSIVE, and the
// package manager's manifest against what the installation wrote.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "harness/registry_values.h"
#include "harness/scenario.h"
#include "harness/small_disk.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::string today() {
    const std::time_t now = std::time(nullptr);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", std::localtime(&now));
    return text;
}

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// The value of `key: "..."` in a manifest's YAML, unquoted.
std::string manifestValue(const std::string& yaml, const std::string& key) {
    const std::string marker = key + ": \"";
    const std::size_t at = yaml.find(marker);
    if (at == std::string::npos) return "<missing>";
    const std::size_t end = yaml.find('"', at + marker.size());
    return yaml.substr(at + marker.size(), end - at - marker.size());
}

class DeploymentScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        if (HasFatalFailure()) return;
        deleteKeyAtEnd(uninstallEntry());
        deleteKeyAtEnd(userKey());
        wineSession().deleteRegistryKey(uninstallEntry());
    }

    // Every deployment field, the uninstall entry and the product's icon.
    ProductDescription deploymentProduct() {
        source("app.txt", "the program");
        fs::copy_file(std::string(E2E_SOURCE_DIR) + "/examples/writer/pictures/info.ico", hostDir() + "/setup.ico",
                      fs::copy_options::overwrite_existing);
        ProductDescription p = description();
        p.productLines = {"publisher = \"E2E Works\"",
                          "display-version = \"1.0.0\"",
                          "about-url = \"https://example.com/e2e\"",
                          "help-url = \"https://example.com/e2e/help\"",
                          "contact = \"E2E Desk\"",
                          "comments = \"A deployment scenario\"",
                          "display-icon = \"app.txt\"",
                          "copyright = \"(c) E2E Works\"",
                          "installer-icon = \"setup.ico\""};
        p.flags = {"uninstall-entry"};
        p.components.push_back({"Program", {"app.txt"}});
        p.defaultSelection = {"Program"};
        return p;
    }

    // What the entry holds after an installation into the scenario's folder.
    std::map<std::string, RegistryData> expectedEntry() const {
        const std::string folder = installFolder();
        const std::uint64_t bytes = fs::file_size(hostDir() + "/app.txt") + fs::file_size(E2E_UNINSTALLER);
        return {
            {"DisplayName", {"REG_SZ", productName()}},
            {"DisplayVersion", {"REG_SZ", "1.0.0"}},
            {"Publisher", {"REG_SZ", "E2E Works"}},
            {"InstallLocation", {"REG_SZ", folder}},
            {"InstallDate", {"REG_SZ", today()}},
            {"DisplayIcon", {"REG_SZ", folder + "app.txt"}},
            {"UninstallString", {"REG_SZ", "\"" + folder + "UnInst.exe\" " + folder + "InstallLog"}},
            {"QuietUninstallString", {"REG_SZ", "\"" + folder + "UnInst.exe\" /S " + folder + "InstallLog"}},
            {"EstimatedSize", {"REG_DWORD", hex((bytes + 1023) / 1024)}},
            {"NoModify", {"REG_DWORD", "0x1"}},
            {"NoRepair", {"REG_DWORD", "0x1"}},
            {"URLInfoAbout", {"REG_SZ", "https://example.com/e2e"}},
            {"HelpLink", {"REG_SZ", "https://example.com/e2e/help"}},
            {"Contact", {"REG_SZ", "E2E Desk"}},
            {"Comments", {"REG_SZ", "A deployment scenario"}},
        };
    }

    // Starts a command line as the system's list does, without a display: a
    // window the program tried to make would fail it. Its exit code.
    int runWithoutWindows(const std::string& commandLine) {
        Process run = wineSession().launch({E2E_ROBOT_EXE, "run", commandLine, "--timeout", "60000"}, {"DISPLAY="});
        return exitCodeOf(run, Milliseconds(70000));
    }
};

// The entry holds every value with its type whether a user or nobody ran the
// installer; Wine's list shows the product, the quiet command removes it
// without a window, and the manifest names what the entry holds.
TEST_F(DeploymentScenario, CompleteEntryAttendedAndUnattendedAndQuietRemoval) {
    Bytes file = build(deploymentProduct());
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "deploy.exe");
    for (const bool attended : {true, false}) {
        SCOPED_TRACE(attended ? "attended" : "unattended (/S)");
        if (attended) {
            EXPECT_FALSE(installToCompletion("deploy.exe").completion.empty());
        } else {
            EXPECT_EQ(runSilently("deploy.exe", {"/S"}), 0);
        }
        const std::map<std::string, RegistryData> entry = registryValues(uninstallEntry());
        EXPECT_EQ(entry, expectedEntry());

        const CommandResult listed = wineSession().run({"uninstaller", "--list"}, Milliseconds(30000));
        EXPECT_NE(listed.output.find(productName()), std::string::npos) << listed.output;

        if (!attended) {
            // The manifest's entry is the one the installation wrote.
            const std::string manifests = hostDir() + "/manifests";
            const CommandResult written = runCommand({E2E_MKPACKAGE, "winget", hostDir() + "/deploy.exe", "--id",
                                                      "E2E.Deployment", "--url", "https://example.com/deploy.exe", "-o",
                                                      manifests},
                                                     Milliseconds(30000), true);
            ASSERT_EQ(written.exitCode, 0) << written.output;
            const std::string yaml = contentOf(manifests + "/E2E.Deployment.installer.yaml");
            EXPECT_EQ(manifestValue(yaml, "DisplayName"), entry.at("DisplayName").data);
            EXPECT_EQ(manifestValue(yaml, "Publisher"), entry.at("Publisher").data);
            EXPECT_EQ(manifestValue(yaml, "DisplayVersion"), entry.at("DisplayVersion").data);
            EXPECT_EQ(manifestValue(yaml, "ProductCode"), productName());
            const CommandResult sum = runCommand({"sha256sum", hostDir() + "/deploy.exe"}, Milliseconds(30000));
            std::string digest = sum.output.substr(0, 64);
            for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_NE(yaml.find("InstallerSha256: " + digest), std::string::npos) << yaml;
        }

        ASSERT_TRUE(entry.count("QuietUninstallString"));
        EXPECT_EQ(runWithoutWindows(entry.at("QuietUninstallString").data), 0);
        // The uninstaller's copy takes the last of the folder once the uninstaller has ended.
        EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout)) << "the install folder stays";
        EXPECT_FALSE(wineSession().registryKeyExists(uninstallEntry()));
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    }
}

// A run that fails half-way leaves no entry: the disk fills up while the
// files are written (many one-byte files pass the space check).
TEST_F(DeploymentScenario, FailedRunLeavesNoEntry) {
    SmallDisk disk(wineSession().prefix(), "256k");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    for (int i = 0; i < 90; ++i) source("many/f" + std::to_string(i) + ".txt", "x");
    ProductDescription p = deploymentProduct();
    p.components[0].rawEntries = {"{ folder = \"many\", to = \"Many\" }"};
    p.extraToml = "[uninstaller]\nbundle = false\n";
    Bytes file = build(p);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "full.exe");
    const std::string drive(1, disk.letter());
    EXPECT_EQ(runSilently("full.exe", {"/S", "/D=" + drive + ":\\Product"}), 5);
    EXPECT_FALSE(wineSession().registryKeyExists(uninstallEntry()));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// Name, version and one component: no warning, and every box the run shows
// has a caption and a text made from the name.
TEST_F(DeploymentScenario, MinimalDescriptionShowsSensibleBoxes) {
    source("app.txt", "the program");
    const std::string name = productName();
    const std::string folder = "C:\\Program Files\\" + name + "\\";
    deleteKeyAtEnd("HKLM\\Software\\" + name);
    deleteKeyAtEnd("HKCU\\Software\\" + name);
    removeAtEnd(hostPathOf(folder));
    wineSession().deleteRegistryKey("HKLM\\Software\\" + name);
    std::ofstream(hostDir() + "/product.toml")
        << "[product]\nname = \"" << name << "\"\nversion = \"1.0\"\n[[components]]\nname = \"Program\"\nfiles = [\"app.txt\"]\n";
    const CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/minimal.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;
    EXPECT_EQ(built.output.find("warning"), std::string::npos) << built.output;

    Process& setup = start("minimal.exe");
    std::optional<Window> question = waitMessageBox("minimal.exe", name + " Setup", "install-question");
    expectBox(question, name + " Setup", "This will install " + name + " on your computer.\n\nDo you want to continue?",
              {kIdYes, kIdNo});
    ASSERT_TRUE(question);
    answer(*question, kIdYes);
    std::optional<Window> done = waitMessageBox("minimal.exe", name + " Setup", "completion");
    expectBox(done, name + " Setup", name + " has been installed in\n" + folder, {kIdOk});
    ASSERT_TRUE(done);
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_EQ(contentOf(hostPathOf(folder) + "app.txt"), "the program");

    Process& again = start("minimal.exe");
    std::optional<Window> reinstall = waitMessageBox("minimal.exe", name + " Setup", "reinstall-question");
    expectBox(reinstall, name + " Setup",
              "This version of " + name + " is already installed.\n\nDo you want to install it again?", {kIdYes, kIdNo});
    ASSERT_TRUE(reinstall);
    answer(*reinstall, kIdNo);
    EXPECT_EQ(exitCodeOf(again), 0);

    // A damaged copy: the error caption is made from the name too.
    Bytes damaged;
    ASSERT_TRUE(readFile(hostDir() + "/minimal.exe", damaged));
    const std::vector<StoredEntry> entries = storedEntries(damaged);
    ASSERT_FALSE(entries.empty());
    ASSERT_FALSE(entries[0].chunkOffsets.empty());
    damaged[entries[0].chunkOffsets[0]] ^= 0x20;  // the first chunk's checksum
    writeInstaller(damaged, "damaged.exe");
    Process& broken = start("damaged.exe");
    std::optional<Window> reinstallFirst = waitMessageBox("damaged.exe", name + " Setup", "damaged-question");
    ASSERT_TRUE(reinstallFirst);
    answer(*reinstallFirst, kIdYes);
    std::optional<Window> error = waitMessageBox("damaged.exe", name + " Setup Error", "damaged-error");
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("CRC error"), std::string::npos) << error->message;
    answer(*error, kIdOk);
    EXPECT_EQ(exitCodeOf(broken), 8);
}

// /PASSIVE: no question and no completion box, the progress window up with
// its Cancel off, the exit codes of /S.
TEST_F(DeploymentScenario, PassiveShowsProgressAndAsksNothing) {
    // Enough files to keep the progress window up a few seconds.
    for (int i = 0; i < 1500; ++i) source("many/f" + std::to_string(i) + ".txt", std::string(200, 'a' + i % 26));
    ProductDescription p = description();
    p.components.push_back({"Program", {}, {"{ folder = \"many\", to = \"Many\" }"}});
    p.defaultSelection = {"Program"};
    Bytes file = build(p);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "passive.exe");
    const std::string log = windowsDir() + "passive.log";
    Process& setup = startWith("passive.exe", {"/PASSIVE", "/LOG=" + log});
    WindowQuery progress = WindowQuery::byExe("passive.exe");
    progress.title = productName() + " Progress";
    std::optional<Window> shown = waitWindow(progress, "passive-progress");
    ASSERT_TRUE(shown);
    const Control* cancel = shown->child(kIdCancel);
    ASSERT_NE(cancel, nullptr);
    EXPECT_FALSE(cancel->enabled);
    // Pressing it does nothing: nobody is asked.
    robot.click(shown->hwnd, kIdCancel);
    EXPECT_EQ(exitCodeOf(setup, Milliseconds(120000)), 0);
    const std::string text = contentOf(hostPathOf(log));
    EXPECT_EQ(text.find("Quit the setup"), std::string::npos) << text;
    EXPECT_EQ(text.find("Install " + productName() + " on this computer?"), std::string::npos) << text;
    EXPECT_EQ(text.find(productName() + " is installed in"), std::string::npos) << text;
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Many/f1499.txt"));

    // A newer version installed: refused as /S refuses it.
    p.version = "0.90";
    Bytes older = build(p);
    ASSERT_FALSE(older.empty());
    writeInstaller(older, "older.exe");
    EXPECT_EQ(exitCodeOf(startWith("older.exe", {"/PASSIVE"})), 20);
    EXPECT_EQ(exitCodeOf(startWith("older.exe", {"/PASSIVE", "/S"}, {"DISPLAY="})), 22);
}

// Signing covers the rewritten program image: the signature verifies, and
// inspect reads the version resource of the signed file.
TEST_F(DeploymentScenario, SignedInstallerWithItsResourcesVerifies) {
    const std::string key = hostDir() + "/signer.key", certificate = hostDir() + "/signer.pem";
    CommandResult made = runCommand({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                                     certificate, "-days", "1", "-subj", "/CN=E2E throw-away signer"},
                                    Milliseconds(30000), true);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::string sign = "osslsigncode sign -certs '" + certificate + "' -key '" + key +
                             "' -n 'E2E signed' -in {} -out {}.signed >/dev/null && mv {}.signed {}";
    Bytes file = build(deploymentProduct(), {"--sign", sign});
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "signed.exe");
    const CommandResult verified =
        runCommand({"osslsigncode", "verify", "-CAfile", certificate, "-in", hostDir() + "/signed.exe"}, Milliseconds(30000), true);
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    const CommandResult inspected = runCommand({E2E_MKPACKAGE, "inspect", "--json", hostDir() + "/signed.exe"}, Milliseconds(30000));
    EXPECT_EQ(inspected.exitCode, 0) << inspected.output;
    EXPECT_NE(inspected.output.find("\"LegalCopyright\": \"(c) E2E Works\""), std::string::npos) << inspected.output;
}

}  // namespace
}  // namespace e2e
