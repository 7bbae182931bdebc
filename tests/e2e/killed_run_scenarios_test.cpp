// A run killed from outside (a task manager, a deployment tool's time-out)
// while it extracts: the next start of the setup program finds the killed
// run's journal beside its backups and undoes it before it asks anything,
// and says so.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/extension_table.h"
#include "harness/host_files.h"
#include "harness/scenario.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using KilledRunScenario = SetupScenario;

// Killed at the replace question of its last file, after it replaced the
// first one (moved aside) and made a folder for the second: the next start
// gives back the first file with its time, takes the folder and the
// second file, leaves the last file as it was, removes the backup folder
// with the journal and then asks its own install question.
TEST_F(KilledRunScenario, KilledDuringExtractionIsUndoneByTheNextStart) {
    source("first.txt", "new first");
    source("sub/second.txt", "second");
    source("last.txt", "new last");
    earlierFile(hostInstallFolder() + "first.txt", "old first");
    earlierFile(hostInstallFolder() + "last.txt", "old last");
    ProductDescription product = descriptionWith({"first.txt"});
    product.components[0].rawEntries = {"{ source = \"sub/second.txt\", to = \"Sub\\\\second.txt\" }",
                                        "\"last.txt\""};
    ASSERT_TRUE(buildAs(product, "killed.exe"));

    Process& killed = start("killed.exe");
    std::optional<Window> question = waitWindow("killed.exe", "install-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "killed.exe");
    std::optional<Window> first = waitWindow(WindowQuery::titled("killed.exe", "Confirm File Replace"), "replace-first");
    ASSERT_TRUE(first);
    answer(*first, kIdYes);
    std::optional<Window> last = waitWindow(WindowQuery::titled("killed.exe", "Confirm File Replace"), "replace-last");
    ASSERT_TRUE(last);
    ASSERT_EQ(contentOf(hostInstallFolder() + "first.txt"), "new first");
    killed.kill();
    ASSERT_EQ(backupFolders().size(), 1u) << "the killed run's backups and journal";
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Sub/second.txt"));

    Process& next = start("killed.exe");
    std::optional<Window> undone = waitMessageBox("killed.exe", productName(), "undone");
    expectBox(undone, productName(), fmt::findExtraTextInfo(fmt::kExtraTextInterruptedUndone)->defaultText,
              {kIdOk});
    // Undone before the box: the user sees the folder as it was.
    expectEarlierFile(hostInstallFolder() + "first.txt", "old first");
    expectEarlierFile(hostInstallFolder() + "last.txt", "old last");
    EXPECT_FALSE(fs::exists(hostInstallFolder() + "Sub")) << "the killed run's folder stays";
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    if (undone) answer(*undone, kIdOk);
    // Then the run goes on as any start: its question, declined.
    std::optional<Window> again = waitWindow("killed.exe", "install-question-again");
    ASSERT_TRUE(again);
    answer(*again, kIdNo);
    EXPECT_EQ(exitCodeOf(next), 0);
    EXPECT_EQ(contentOf(hostInstallFolder() + "first.txt"), "old first");
}

}  // namespace
}  // namespace e2e
