// Links in a folder that every user may write: a folder of the install
// folder swapped for a link (on Windows a junction; a Unix symbolic link in
// the prefix, which Wine follows the same way) must never steer what the
// uninstaller or a reinstall removes, nor where a rollback puts a file back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "failure_scenario.h"
#include "format/sha256.h"
#include "harness/install_log_file.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

class LinkScenario : public FailureScenario {
protected:
    // A link at `hostLink` to the host folder `target`, removed at the end.
    void makeLink(const std::string& hostLink, const std::string& target) {
        std::error_code ignored;
        fs::remove(hostLink, ignored);
        fs::create_directory_symlink(target, hostLink);
        removeAtEnd(hostLink);
    }

    // A file of someone else's in the Windows folder, removed at the end.
    std::string victimInWindows(const std::string& fileName) {
        const std::string host = hostPathOf("C:\\windows\\" + fileName);
        std::ofstream(host) << "not the product's";
        removeAtEnd(host);
        return host;
    }
};

// The product's folder "Docs" and an added entry "w\victim..." lead through
// a link to the Windows folder: neither the uninstaller nor a reinstall
// (which moves a previous installation's files aside) touches what lies
// there. The first row needs an edited log (its digest recorded again, so
// that only the link check stands in the way), the second none: the user
// only swaps a folder the log names for a link.
TEST_F(LinkScenario, NothingIsRemovedThroughALink) {
    const std::string victimName = "victim-" + name() + ".txt";
    source("app.txt", "the program");
    source("doc.txt", "the guide");
    ProductDescription product = description();
    product.flags = {"uninstall-entry"};
    product.setText("uninstallDisplayName", productName());
    product.components.push_back(
        {"Program", {"app.txt"}, {"{ source = \"doc.txt\", to = \"Docs\\\\" + victimName + "\" }"}});
    product.defaultSelection = {"Program"};
    ASSERT_TRUE(buildAs(product, "linked.exe"));
    const std::string windowsFolder = hostPathOf("C:\\windows");

    struct Row {
        const char* label;
        const char* linkName;  // the folder of the install folder made a link
        bool editLog;          // the log names the victim below the link
        int reinstallCode;     // the file stays: reported (25), or in the way of the new one (2)
    } rows[] = {{"an entry added below a link", "w", true, kSetupPreviousLeftovers},
                {"the product's folder swapped for a link", "Docs", false, kSetupCannotCreateFile}};
    for (const Row& row : rows) {
        for (bool uninstaller : {true, false}) {
            SCOPED_TRACE(std::string(row.label) + (uninstaller ? ", the uninstaller" : ", a reinstall"));
            ASSERT_EQ(runSilently("linked.exe", {"/S"}), kSetupDone);
            const std::string link = hostInstallFolder() + row.linkName;
            if (row.editLog) {
                Bytes log;
                ASSERT_TRUE(readFile(hostInstallFolder() + "InstallLog", log));
                const LogRecord entry{1, 0, 0, installFolder() + row.linkName + "\\" + victimName};
                const Bytes edited = withExtraEntries(log, {entry});
                ASSERT_TRUE(writeFile(hostInstallFolder() + "InstallLog", edited));
                // Vouched for as if the edit were the setup's own: the links
                // are refused even where the log's digest would not stop it.
                char digest[fmt::kSha256HexSize];
                fmt::sha256Hex(edited.data(), edited.size(), digest);
                ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "UnInstallLogSHA256", digest));
            } else {
                fs::rename(link, link + ".moved");
            }
            makeLink(link, windowsFolder);
            const std::string victim = victimInWindows(victimName);

            if (uninstaller) {
                Process run = robot.runCommandLine("\"" + installFolder() + "UnInst.exe\" /S " + installFolder() +
                                                       "InstallLog",
                                                   kExitTimeout);
                EXPECT_NE(exitCodeOf(run), 0) << "the item behind the link is reported as left";
            } else {
                EXPECT_EQ(runSilently("linked.exe", {"/S"}), row.reinstallCode);
            }
            EXPECT_EQ(contentOf(victim), "not the product's") << "removed through the link";
            EXPECT_EQ(backupFolders(), std::vector<std::string>{});

            fs::remove(link);
            std::error_code ignored;
            fs::remove_all(hostInstallFolder(), ignored);
            wineSession().deleteRegistryKey(machineKey());
            wineSession().deleteRegistryKey(uninstallEntry());
        }
    }
}

// An upgrade moves the previous installation's files aside, then fails (a
// folder stands where a file of it must go). While its error box is up the
// user swaps the emptied folder "Lib" for a link to another folder (the
// system folder, in the attack) and leaves a file of their own where
// another file of the previous installation was. The rollback puts nothing
// through the link: that file stays in the backup folder, named in the
// run's log and in a message; and the other file comes back over the one
// left at its place, exactly as it was.
TEST_F(LinkScenario, RollbackPutsNothingBackThroughALinkAndTheEarlierFileWins) {
    source("v1/Lib/evil.dll", "the previous dll");
    source("v1/top.txt", "the previous top");
    source("v2/blocked.txt", "new");
    ProductDescription first = failingDescription();
    first.components.push_back({"Main", {"v1/top.txt"}, {"{ source = \"v1/Lib/evil.dll\", to = \"Lib\\\\evil.dll\" }"}});
    first.defaultSelection = {"Main"};
    ProductDescription second = failingDescription();
    second.version = "1.10";
    second.components.push_back({"Main", {"v2/blocked.txt"}});
    second.defaultSelection = {"Main"};
    ASSERT_TRUE(buildAs(first, "v1.exe"));
    ASSERT_TRUE(buildAs(second, "v2.exe"));
    ASSERT_EQ(runSilently("v1.exe", {"/S"}), kSetupDone);
    // What a user who may write the install folder puts into the dll.
    std::ofstream(hostInstallFolder() + "Lib/evil.dll") << "the user's dll";
    const std::string top = hostInstallFolder() + "top.txt";
    const std::time_t topTime = modifiedAt(top);
    fs::create_directories(hostInstallFolder() + "blocked.txt");
    const std::string elsewhere = hostDir() + "/system32";
    fs::create_directories(elsewhere);

    const std::string runLog = windowsDir() + "run.log";
    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("v2.exe", setup, {"/LOG=" + runLog});
    ASSERT_TRUE(box);
    ASSERT_FALSE(fs::exists(top)) << "the previous installation was not moved aside";

    const std::string lib = hostInstallFolder() + "Lib";
    if (fs::exists(lib)) fs::rename(lib, lib + ".moved");
    makeLink(lib, elsewhere);
    std::ofstream(top) << "left at its place";
    answer(*box, kIdOk);

    std::optional<Window> kept = waitWindow(WindowQuery::titled("v2.exe", productName() + " Error"), "kept");
    EXPECT_TRUE(kept) << "no message names the file kept";
    if (kept) {
        EXPECT_NE(kept->message.find(installFolder() + "Lib\\evil.dll"), std::string::npos) << kept->message;
        answer(*kept, kIdOk);
    }
    EXPECT_EQ(exitCodeOf(*setup), kSetupCannotCreateFile);

    EXPECT_EQ(filesBelow(elsewhere), std::vector<std::string>{}) << "written through the link";
    EXPECT_EQ(contentOf(top), "the previous top");
    EXPECT_EQ(modifiedAt(top), topTime);
    const std::vector<std::string> folders = backupFolders();
    ASSERT_EQ(folders.size(), 1u) << "the file is not kept in the backup folder";
    const std::string& backupHost = folders[0];
    const std::vector<std::string> inBackup = filesBelow(backupHost);
    ASSERT_EQ(inBackup.size(), 1u);
    EXPECT_EQ(contentOf(backupHost + "/" + inBackup[0]), "the user's dll");
    const std::string log = contentOf(hostPathOf(runLog));
    EXPECT_NE(log.find(installFolder() + "Lib\\evil.dll cannot be put back: a folder on its way is a link"),
              std::string::npos)
        << log;
    fs::remove_all(backupHost);
}

}  // namespace
}  // namespace e2e
