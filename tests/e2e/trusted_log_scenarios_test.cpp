// An installation's log edited by someone who can write the install folder:
// entries that name other programs' registry trees, a lock name of the
// user's choosing. The programs believe a log only when its digest under the
// product's HKEY_LOCAL_MACHINE key matches, and even then remove keys only
// within the product's own; a log from before digests is held to the strict
// checks. Also the run's own log (/LOG=): never written through a name that
// exists.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "format/package_format.h"

#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr Milliseconds kUninstallTimeout{60000};

class TrustedLogScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        for (const std::string& key : {otherKey(), otherUserKey(), otherTree(), vendorKey()}) deleteKeyAtEnd(key);
        deleteKeyAtEnd(userKey());
        deleteKeyAtEnd(uninstallEntry());
    }

    // Other programs' keys, each holding a value: the attacks aim at them.
    std::string otherKey() const { return "HKLM\\Software\\E2E-Other-" + name(); }
    std::string otherUserKey() const { return "HKCU\\Software\\E2E-Other2-" + name(); }
    std::string otherTree() const { return "HKLM\\Software\\E2E-Tree-" + name(); }
    std::string otherLeaf() const { return otherTree() + "\\OtherApp\\Leaf"; }
    // A vendor key that was there before the product wrote a key below it.
    std::string vendorKey() const { return "HKLM\\Software\\E2E-Vendor-" + name(); }
    std::string logPath() const { return installFolder() + "InstallLog"; }
    std::string hostLog() const { return hostInstallFolder() + "InstallLog"; }

    void plantOtherKeys() {
        for (const std::string& key : {otherKey(), otherUserKey(), otherTree(), otherLeaf(), vendorKey()})
            ASSERT_TRUE(wineSession().setRegistryString(key, "Owner", "someone else")) << key;
    }
    void expectOtherKeys() {
        for (const std::string& key : {otherKey(), otherUserKey(), otherTree(), otherLeaf(), vendorKey()})
            EXPECT_EQ(wineSession().readRegistryString(key, "Owner").value_or("<gone>"), "someone else") << key;
    }

    // A product with the uninstaller, a value below its key under
    // HKEY_CURRENT_USER and one in a key of its own below a vendor key that
    // exists already.
    void buildProduct(const std::string& fileName) {
        source("app.txt", "the program");
        ProductDescription product = descriptionWith({"app.txt"});
        product.flags = {"uninstall-entry"};
        product.setText("uninstallDisplayName", productName());
        product.extraToml =
            registryValueAction("HKCU", registryKey() + "\\Settings", "Path", "$(ExtrPath)") +
            registryValueAction("HKLM", vendorKey().substr(5) + "\\App\\Settings", "Path", "$(ExtrPath)");
        ASSERT_TRUE(buildAs(product, fileName));
    }

    void install(const std::string& fileName) {
        ASSERT_EQ(runSilently(fileName, {"/S"}), kSetupDone);
        ASSERT_TRUE(fs::exists(hostLog()));
    }

    // The attacks' entries, appended as an edit of the file would.
    std::vector<LogRecord> attackEntries() const {
        return {{fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, otherKey().substr(5)},
                {fmt::kLogRegistryKey, 1, fmt::kRootCurrentUser, otherUserKey().substr(5)},
                {fmt::kLogRegistryKey, 0, fmt::kRootLocalMachine, otherLeaf().substr(5)}};
    }

    int uninstallSilently() {
        Process run = robot.runCommandLine(installFolder() + "UnInst.exe /S " + logPath(), kUninstallTimeout);
        return exitCodeOf(run, kUninstallTimeout);
    }
};

// The log's lock name, overwritten in place with a name of the same length.
Bytes withLockName(const Bytes& log, const std::string& lock) {
    Bytes edited = log;
    fmt::u32 offset;
    std::memcpy(&offset, log.data() + offsetof(fmt::UninstallHeader, textOffsets) + 4 * 1, sizeof offset);
    const std::size_t length = std::strlen(reinterpret_cast<const char*>(log.data() + offset));
    EXPECT_EQ(lock.size(), length);
    std::memcpy(edited.data() + offset, lock.data(), std::min(lock.size(), length));
    return edited;
}

// An authentic log: the uninstaller takes the product's keys and the
// parent it made (App), never the vendor key that was there before. An edited one (other vendors' trees, a lock name that another
// program holds) is refused whole: the damaged-log code, nothing removed.
TEST_F(TrustedLogScenario, EditedLogsAreRefusedAndTheWalkUpStaysWithinTheProduct) {
    plantOtherKeys();
    buildProduct("product.exe");
    install("product.exe");
    const std::string digest = wineSession().readRegistryString(machineKey(), "UnInstallLogSHA256").value_or("");
    EXPECT_EQ(digest.size(), 64u);
    EXPECT_TRUE(wineSession().registryKeyExists(vendorKey() + "\\App\\Settings"));
    // The authentic log: the keys the product made go, the vendor key stays.
    EXPECT_EQ(uninstallSilently(), kUninstallRemoved);
    expectOtherKeys();
    EXPECT_FALSE(wineSession().registryKeyExists(vendorKey() + "\\App")) << "the key the product made stays";
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(userKey()));
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout));

    install("product.exe");
    Bytes log;
    ASSERT_TRUE(readFile(hostLog(), log));

    const std::string lock = "Lock_" + productName();
    const std::string otherLock = "Lock_" + std::string(productName().size(), 'X');
    struct Edit {
        const char* label;
        Bytes log;
        bool hold = false;
    };
    const Edit edits[] = {
        {"other vendors' trees", withExtraEntries(log, attackEntries())},
        {"a lock name the user holds", withLockName(log, otherLock), true},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.label);
        ASSERT_TRUE(writeFile(hostLog(), edit.log));
        Process held;
        if (edit.hold) held = holdLock(otherLock);
        EXPECT_EQ(uninstallSilently(), kUninstallLogRefused);
        held.kill();
        EXPECT_TRUE(fs::exists(hostInstallFolder() + "app.txt"));
        EXPECT_TRUE(wineSession().registryKeyExists(machineKey()));
    }

    // The reinstall meets the edited log: damaged, nothing of it removed.
    ASSERT_TRUE(writeFile(hostLog(), withExtraEntries(log, attackEntries())));
    EXPECT_EQ(runSilently("product.exe", {"/S"}), kSetupDone);
    expectOtherKeys();
    // Its own log is sound again: a reinstall by it keeps the other keys.
    ASSERT_EQ(runSilently("product.exe", {"/S"}), kSetupDone);
    expectOtherKeys();
    EXPECT_TRUE(wineSession().registryKeyExists(machineKey()));
}

// A log from before digests (no UnInstallLogSHA256): believed for no key
// but the product's own, which the registry names, and not for its texts or
// lock name. The same edits: the reinstall and the uninstaller remove the
// product, the other programs' keys stay, the keys kept out are listed as
// left over; a digest that is there and wrong is a damaged log.
TEST_F(TrustedLogScenario, ALogWithoutDigestIsHeldToTheStrictChecks) {
    plantOtherKeys();
    buildProduct("old.exe");
    install("old.exe");
    Bytes log;
    ASSERT_TRUE(readFile(hostLog(), log));
    const std::string digest = wineSession().readRegistryString(machineKey(), "UnInstallLogSHA256").value_or("");

    // A wrong digest: refused, whether the log is edited or not.
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "UnInstallLogSHA256", std::string(64, '0')));
    EXPECT_EQ(uninstallSilently(), kUninstallLogRefused);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "app.txt"));

    // No digest: the reinstall removes the previous installation by the
    // edited log, within the product.
    wineSession().deleteRegistryValue(machineKey(), "UnInstallLogSHA256");
    ASSERT_TRUE(writeFile(hostLog(), withExtraEntries(log, attackEntries())));
    const std::string runLog = windowsDir() + "reinstall.txt";
    EXPECT_EQ(runSilently("old.exe", {"/S", "/LOG=" + runLog}), kSetupDone);
    expectOtherKeys();
    const std::string text = contentOf(hostPathOf(runLog));
    EXPECT_NE(text.find("has no digest"), std::string::npos) << text;
    EXPECT_NE(text.find("passed over the key HKEY_LOCAL_MACHINE\\" + otherKey().substr(5)), std::string::npos)
        << text;

    // The uninstaller, with no digest and the edits: a lock name the user
    // holds blocks nothing, the other keys stay and are left over.
    wineSession().deleteRegistryValue(machineKey(), "UnInstallLogSHA256");
    Bytes current;
    ASSERT_TRUE(readFile(hostLog(), current));
    const std::string otherLock = "Lock_" + std::string(productName().size(), 'Y');
    ASSERT_TRUE(writeFile(hostLog(), withLockName(withExtraEntries(current, attackEntries()), otherLock)));
    Process held = holdLock(otherLock);
    EXPECT_EQ(uninstallSilently(), kUninstallLeftOver);
    held.kill();
    expectOtherKeys();
    EXPECT_FALSE(fs::exists(hostInstallFolder() + "app.txt"));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(userKey()));
    EXPECT_EQ(digest.size(), 64u);
}

// /LOG= writes only a file it makes: a link at the name (to a file the run
// must not touch) and a file that is there already are refused as a bad
// option, and both stay as they were.
TEST_F(TrustedLogScenario, TheRunLogIsNeverWrittenThroughANameThatExists) {
    buildProduct("logged.exe");
    const std::string victim = hostDir() + "/victim.txt";
    std::ofstream(victim) << "victim";
    fs::create_symlink(victim, hostDir() + "/link.txt");
    fs::create_directories(hostDir() + "/real");
    std::ofstream(hostDir() + "/real/run.txt") << "victim";
    fs::create_directory_symlink(hostDir() + "/real", hostDir() + "/linked");
    // A link at the name, or a folder on the way swapped for one: refused,
    // and nothing written through it.
    for (const char* name : {"link.txt", "linked\\run.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(runSilently("logged.exe", {"/S", "/LOG=" + windowsDir() + name}), kSetupBadOption);
        EXPECT_EQ(contentOf(victim), "victim");
        EXPECT_EQ(contentOf(hostDir() + "/real/run.txt"), "victim");
        EXPECT_FALSE(fs::exists(hostInstallFolder() + "app.txt"));
    }
    // An earlier run's log is replaced by this run's.
    std::ofstream(hostDir() + "/kept.txt") << "an earlier run";
    EXPECT_EQ(runSilently("logged.exe", {"/S", "/LOG=" + windowsDir() + "kept.txt"}), kSetupDone);
    const std::string log = contentOf(hostDir() + "/kept.txt");
    EXPECT_NE(log.find("setup started"), std::string::npos);
    EXPECT_EQ(log.find("an earlier run"), std::string::npos);
}

}  // namespace
}  // namespace e2e
