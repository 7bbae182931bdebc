// Runs that fail part-way: damaged or cut package data, a folder or file
// that cannot be made, a full disk or temporary folder. Each failure shows
// the configured message, undoes what the run made and ends with the
// failure's code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "failure_scenario.h"
#include "harness/small_disk.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// ---- damaged package data -------------------------------------------------

// A flipped bit in the stored bytes of an incompressible file: inflate takes
// them as they are, the chunk's checksum tells. The first component and the
// files before the chunk were written, one of them over a file the user had
// (replaced with Yes, and moved aside meanwhile); the rollback (with its
// popup) takes them all and puts the user's file back as it was.
TEST_F(FailureScenario, FlippedBitInChunkDataIsChecksumErrorAndUndoesTheRun) {
    manySources("many", 150);
    source("first.txt", "first");
    const std::string data = noise(40000, 1);
    source("noise.bin", data);
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt"}, {"noise.bin"}});
    product.components[0].rawEntries = {"{ folder = \"many\", to = \"Many\" }"};
    writeWithFlippedBit(product, 152, "noise.bin", data, "flipped.exe");
    ASSERT_FALSE(HasFatalFailure());
    earlierFile(hostInstallFolder() + "first.txt", "the user's first");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("flipped.exe", setup);
    expectErrorBox(box, productName() + ": a checksum does not match.");
    ASSERT_TRUE(box);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Many/f149.txt")) << "nothing was written before";
    EXPECT_EQ(contentOf(hostInstallFolder() + "first.txt"), "first");
    EXPECT_EQ(backupFolders().size(), 1u) << "the user's file is not kept aside";
    EXPECT_EQ(answerAndExit(*box, *setup, "flipped.exe", true), kSetupChecksumError);
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"first.txt"});
    expectEarlierFile(hostInstallFolder() + "first.txt", "the user's first");
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// A flipped bit in the data of an LZMA product's second block: the block's
// checksum tells before a byte of it is decoded, where its first piece is
// needed. The files of the first block were written meanwhile (while the
// second was read ahead); the rollback, with its popup, takes them all.
TEST_F(FailureScenario, FlippedBitInAnLzmaBlockIsChecksumErrorAndUndoesTheRun) {
    manySources("many", 150);
    source("big.txt", noise(700000, 5) + std::string(700000, 't'));
    ProductDescription product = failingDescription();
    addComponents(product, {{}});
    // The small files first: they lie in the first block, the end of big.txt in the second.
    product.components[0].rawEntries = {"{ folder = \"many\", to = \"Many\" }", "\"big.txt\""};
    product.options = {"compression = \"lzma\"", "dictionary-mib = 1"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    const std::optional<std::size_t> second = lzmaBlockData(file, 0, 1);
    ASSERT_TRUE(second) << "the product has no second block";
    file[*second + 20] ^= 0x04;
    writeInstaller(file, "lzma-flipped.exe");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("lzma-flipped.exe", setup);
    expectErrorBox(box, productName() + ": a checksum does not match.");
    ASSERT_TRUE(box);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Many/f149.txt")) << "the first block's files were not written";
    EXPECT_EQ(answerAndExit(*box, *setup, "lzma-flipped.exe", true), kSetupChecksumError);
    expectNothingLeft();
}

// The same in the DirectX component, which a Windows 9x platform with an
// older DirectX (Wine's own DirectDraw: DirectX 2 of major 5) extracts into
// a private folder of the temporary folder before anything of the product
// (a file of the same name in the temporary folder's "Redist" is never
// touched): the rollback, with its popup, takes the temporary files and the
// folder.
TEST_F(FailureScenario, FlippedBitInTheDirectXComponentUndoesItsTemporaryFiles) {
    const std::string temp = wineSession().temporaryFolder();
    ASSERT_FALSE(temp.empty());
    const std::string redist = hostPathOf(temp + "Redist");
    std::error_code ignored;
    fs::remove_all(redist, ignored);
    manySources("dx/Many", 150);
    const std::string data = noise(40000, 3);
    source("dx/noise.zip", data);  // stored after the text files
    source("first.txt", "first");
    ProductDescription product = failingDescription();
    product.components = {{"One", {"first.txt"}}, {"DirectX", {}, {"{ folder = \"dx\", to = \"Redist\" }"}}};
    product.defaultSelection = {"One"};
    product.options = {"directx-components = [\"DirectX\"]", "required-directx = 0x00050003"};
    writeWithFlippedBit(product, 152, "Redist\\noise.zip", data, "dxflipped.exe");
    ASSERT_FALSE(HasFatalFailure());
    asWindows9x("dxflipped.exe", kWineDirectDraw);
    earlierFile(redist + "/Many/f000.txt", "someone's file");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("dxflipped.exe", setup);
    expectErrorBox(box, productName() + ": a checksum does not match.");
    ASSERT_TRUE(box);
    const std::vector<std::string> privateFolders = temporaryFoldersNamed("~dx");
    ASSERT_EQ(privateFolders.size(), 1u);
    EXPECT_TRUE(fs::exists(privateFolders[0] + "/Redist/Many/f149.txt")) << "the temporary files were written";
    EXPECT_EQ(answerAndExit(*box, *setup, "dxflipped.exe", true), kSetupChecksumError);
    expectNothingLeft();
    EXPECT_EQ(temporaryFoldersNamed("~dx"), std::vector<std::string>{}) << "the temporary DirectX files stay";
    EXPECT_EQ(filesBelow(redist), (std::vector<std::string>{"Many", "Many/f000.txt"}));
    expectEarlierFile(redist + "/Many/f000.txt", "someone's file");
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    fs::remove_all(redist, ignored);
}

// Package data that inflate or the reader cannot take, each row a change to
// the same installer: the configured "damaged" message and error 1, with
// nothing left. Cut inside its data, an installer has lost its
// configuration block with the end and stops with the program's own text
// before it asks or writes anything.
TEST_F(FailureScenario, DamagedOrCutPackageDataIsACorruptArchive) {
    source("one.txt", "one");
    source("data.bin", noise(50000, 2));
    ProductDescription product = failingDescription();
    addComponents(product, {{"one.txt"}, {"data.bin"}});
    const Bytes built = build(product);
    ASSERT_FALSE(built.empty());
    const std::vector<StoredEntry> entries = storedEntries(built);
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_EQ(entries[1].componentIndex, 1);
    ASSERT_GE(entries[1].chunkOffsets.size(), 2u);
    const std::size_t secondChunk = entries[1].chunkOffsets[1];
    struct Row {
        const char* exe;
        std::function<void(Bytes&)> damage;
        bool stopsAtStart;
    };
    const Row rows[] = {
        // A damaged stream header at the start of the second component:
        // behind the chunk's crc, the zlib header's check bits no longer add up.
        {"stream.exe", [&](Bytes& file) { file[entries[1].chunkOffsets[0] + 4 + 1] ^= 0x01; }, false},
        // The stored data ends early but the configuration block is intact
        // behind it: the reads of the last file come up short.
        {"short.exe", [&](Bytes& file) { ASSERT_TRUE(cutBeforeConfigBlock(file, secondChunk + 100)); }, false},
        // A component whose first entry lies past the end of the file.
        {"pastend.exe",
         [](Bytes& file) {
             ASSERT_TRUE(setComponentFirstEntry(file, 1, static_cast<std::uint32_t>(file.size() + 4096)));
         },
         false},
        {"cut.exe", [&](Bytes& file) { file.resize(secondChunk + 100); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exe);
        Bytes file = built;
        row.damage(file);
        if (HasFatalFailure()) return;
        writeInstaller(file, row.exe);
        if (row.stopsAtStart) {
            Process& setup = start(row.exe);
            std::optional<Window> box = waitWindow(row.exe, "error-box");
            expectBox(box, "Error", "The archive inside INSTALL.EXE is corrupt.\nInstall failed and will exit.",
                      {kIdOk});
            if (box) answer(*box, kIdOk);
            EXPECT_EQ(exitCodeOf(setup), kSetupDamagedPackage);
        } else {
            Process* setup = nullptr;
            std::optional<Window> box = runToErrorBox(row.exe, setup);
            expectErrorBox(box, productName() + ": the package is damaged.");
            ASSERT_TRUE(box);
            EXPECT_EQ(answerAndExit(*box, *setup, row.exe, false), kSetupDamagedPackage);
        }
        expectNothingLeft();
    }
}

// ---- the target system refuses --------------------------------------------

// A plain file stands where a folder of the path must be made: error 4
// quoting the path up to that folder.
TEST_F(FailureScenario, FileInThePlaceOfAFolderEndsWithErrorFour) {
    source("first.txt", "first");
    source("one.txt", "one");
    source("two.txt", "two");
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt"}});
    product.components[0].rawEntries = {"{ source = \"one.txt\", to = \"New\\\\one.txt\" }",
                                        "{ source = \"two.txt\", to = \"Data\\\\Deep\\\\two.txt\" }"};
    ASSERT_TRUE(buildAs(product, "blocked.exe"));
    fs::create_directories(hostInstallFolder());
    std::ofstream(hostInstallFolder() + "Data") << "a file named like the folder";

    EXPECT_EQ(failureQuotingPath("blocked.exe", productName() + " cannot make the folder '", installFolder() + "Data"),
              kSetupCannotMakeFolder);
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"Data"});
    EXPECT_EQ(contentOf(hostInstallFolder() + "Data"), "a file named like the folder");
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// Another program holds a file the run would replace open and shares only
// reading: an unattended run stops before it changes anything (an attended
// one asks first: tests/e2e/files_in_use_scenarios_test.cpp); the held
// file is as it was.
TEST_F(FailureScenario, OutputFileHeldOpenByAnotherProgramStopsTheRunBeforeAnyChange) {
    source("first.txt", "first");
    source("held.txt", "new content");
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt", "held.txt"}});
    ASSERT_TRUE(buildAs(product, "held.exe"));
    fs::create_directories(hostInstallFolder());
    std::ofstream(hostInstallFolder() + "held.txt") << "old content";
    Process holder = holdFile(installFolder() + "held.txt");
    ASSERT_FALSE(HasFailure());

    EXPECT_EQ(runSilently("held.exe", {"/S"}), kSetupFilesInUse);
    holder.kill();
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"held.txt"});
    EXPECT_EQ(contentOf(hostInstallFolder() + "held.txt"), "old content");
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// The disk fills up during a write: error 5 with the file's path, and the
// disk is empty again after the rollback.
TEST_F(FailureScenario, FullDiskDuringAWriteEndsWithErrorFive) {
    SmallDisk disk(wineSession().prefix(), "256k");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string folder = std::string(1, disk.letter()) + ":\\Product\\";
    source("first.txt", std::string(20000, 'f'));
    source("large.bin", noise(400000, 4));
    ProductDescription product = failingDescription();
    product.defaultFolder = folder;
    addComponents(product, {{"first.txt", "large.bin"}});
    ASSERT_TRUE(buildAs(product, "full.exe"));

    EXPECT_EQ(failureQuotingPath("full.exe", productName() + " cannot write '", folder + "large.bin"),
              kSetupCannotWrite);
    EXPECT_EQ(filesBelow(disk.hostPath()), std::vector<std::string>{}) << "left on the full disk";
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// The user's temporary folder for the run: TEMP and TMP of the prefix's
// user environment point at `folder` until the guard ends.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& folder) {
        for (const char* name : {"TEMP", "TMP"}) {
            saved_.push_back(wineSession().readRegistryString(kKey, name).value_or(""));
            wineSession().setRegistryString(kKey, name, folder);
        }
    }
    ~TemporaryFolder() {
        const char* names[] = {"TEMP", "TMP"};
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i].empty()) wineSession().deleteRegistryValue(kKey, names[i]);
            else wineSession().setRegistryString(kKey, names[i], saved_[i]);
        }
    }

private:
    static constexpr const char* kKey = "HKCU\\Environment";
    std::vector<std::string> saved_;
};

// The temporary folder fills up: the progress clip still fits, the icon of
// the popup after the extraction does not. Error 5 quotes the picture; the
// rollback still runs under its popup (without the undo icon, which cannot
// be written either) and takes every file; nothing is left in either place.
TEST_F(FailureScenario, FullTemporaryFolderEndsWithErrorFiveAndAFullRollback) {
    SmallDisk disk(wineSession().prefix(), "1m");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string pictures = std::string(E2E_SOURCE_DIR) + "/examples/writer/pictures/";
    const auto clipSize = fs::file_size(pictures + "progress.avi");
    const std::uintmax_t page = 4096;
    {
        // Room for the clip alone, to the page.
        const fs::space_info space = fs::space(disk.hostPath());
        std::ofstream(disk.hostPath() + "/filler", std::ios::binary)
            << std::string(space.available - (clipSize + page - 1) / page * page, 'x');
    }
    TemporaryFolder temporary(std::string(1, disk.letter()) + ":\\");
    manySources("many", 150);
    ProductDescription product = failingDescription();
    addComponents(product, {{}});
    product.components[0].rawEntries = {"{ folder = \"many\", to = \"Many\" }"};
    product.extraToml =
        "[[pictures]]\nname = \"clip\"\nfile = " + tomlString(pictures + "progress.avi") +
        "\n[[pictures]]\nname = \"info\"\nfile = " + tomlString(pictures + "info.ico") +
        "\n[[pictures]]\nname = \"undo\"\nfile = " + tomlString(pictures + "undo.ico") +
        "\n[images]\nprogress-animation = \"clip\"\nupdating-system = \"info\"\n"
        "undoing = \"undo\"\n";
    ASSERT_TRUE(buildAs(product, "temp.exe"));

    const std::string icon = std::string(1, disk.letter()) + ":\\info.ico";
    EXPECT_EQ(failureQuotingPath("temp.exe", productName() + " cannot write '", icon, true),
              kSetupCannotWrite);
    expectNothingLeft();
    EXPECT_EQ(filesBelow(disk.hostPath()), std::vector<std::string>{"filler"});
}

// ---- the progress bar at the end ------------------------------------------

// The bar reaches 1024 once the last chunk of the last selected component
// is consumed. A finished run destroys the progress window before anything
// waits, so the run is held after its last chunk: the last entry is an empty
// file (no chunks, nothing in the packed total) that cannot be created, and
// its error box waits with the progress window still up.
TEST_F(FailureScenario, ProgressBarStandsAtItsEndAfterTheLastChunk) {
    source("exact.bin", noise(16384, 5));
    source("over.bin", noise(16385, 6));
    source("text.txt", std::string(70000, 'x'));
    source("noise.bin", noise(40000, 7));
    source("empty.txt", "");
    ProductDescription product = failingDescription();
    addComponents(product, {{"exact.bin", "over.bin", "text.txt"}, {"noise.bin", "empty.txt"}});
    ASSERT_TRUE(buildAs(product, "bar.exe"));
    fs::create_directories(hostInstallFolder() + "empty.txt");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("bar.exe", setup);
    expectPathAndReason(box, productName() + " cannot create '", installFolder() + "empty.txt");
    std::optional<Window> progress =
        robot.waitFor(WindowQuery::titled("bar.exe", productName() + " Progress"), kWindowTimeout);
    ASSERT_TRUE(progress) << "no progress window behind the error box";
    const Control* bar = progress->child(kProgressBar);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->className, "msctls_progress32");
    EXPECT_EQ(bar->high, 1024);
    EXPECT_EQ(bar->position, 1024);
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "bar.exe", false), kSetupCannotCreateFile);
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"empty.txt"});
}

// ---- a path too long for the program ---------------------------------------

// A path longer than the program's paths (a long /D= folder and a long
// stored name) fails an attended run while its progress window plays its
// clip: the error box wraps the path instead of reaching past the screen,
// and the clip leaves the temporary folder with the run.
TEST_F(FailureScenario, TooLongPathWrapsInItsBoxAndLeavesNoTemporaryPicture) {
    const std::string pictures = std::string(E2E_SOURCE_DIR) + "/examples/writer/pictures/";
    source("long.txt", "x");
    ProductDescription product = failingDescription();
    addComponents(product, {{}});
    product.components[0].rawEntries = {"{ source = \"long.txt\", to = \"" + std::string(110, 'n') + ".txt\" }"};
    product.extraToml = "[[pictures]]\nname = \"clip\"\nfile = " + tomlString(pictures + "progress.avi") +
                        "\n[images]\nprogress-animation = \"clip\"\n";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "long.exe");
    const std::string folder = windowsDir() + std::string(150 - windowsDir().size(), 'f');
    const std::string clip = hostPathOf(wineSession().temporaryFolder() + "progress.avi");
    fs::remove(clip);

    Process& setup = startWith("long.exe", {"/D=" + folder});
    std::optional<Window> question = waitWindow("long.exe", "install-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "long.exe");
    std::optional<Window> box = waitWindow(WindowQuery::titled("long.exe", productName() + " Error"), "error");
    ASSERT_TRUE(box);
    std::string unwrapped = box->message;
    unwrapped.erase(std::remove(unwrapped.begin(), unwrapped.end(), '\n'), unwrapped.end());
    EXPECT_EQ(unwrapped.rfind(productName() + " cannot create '" + folder + "\\nnnn", 0), 0u) << box->message;
    EXPECT_NE(box->message.find("\\\n"), std::string::npos) << "not broken at a backslash: " << box->message;
    EXPECT_LT(box->rect.right - box->rect.left, 800) << "the box is as wide as the path";
    EXPECT_TRUE(fs::exists(clip)) << "the clip was never written";
    EXPECT_EQ(answerAndExit(*box, setup, "long.exe", false), 2);
    EXPECT_FALSE(fs::exists(clip)) << "the progress clip stays in the temporary folder";
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

}  // namespace
}  // namespace e2e
