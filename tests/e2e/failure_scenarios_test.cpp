// Runs that fail part-way: damaged or cut package data, a folder or file
// that cannot be made, a full disk, and a previous installation whose log is
// damaged. Each failure shows the configured message, undoes what the run
// made and ends with the failure's code.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <random>
#include <thread>

#include "format/package_format.h"

#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/small_disk.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that deflate cannot shrink: stored blocks carry them unchanged.
std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// Every file below a host folder, relative to it.
std::vector<std::string> filesBelow(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        found.push_back(fs::relative(it->path(), folder).generic_string());
    std::sort(found.begin(), found.end());
    return found;
}

constexpr int kReplaceYes = 6;

// 1999-12-31 23:59:58 UTC: the time of every file the user had before a run.
constexpr std::time_t kEarlierTime = 946684798;

std::time_t modifiedAt(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtim.tv_sec : 0;
}

class FailureScenario : public SetupScenario {
protected:
    void source(const std::string& relative, const std::string& content) {
        fs::path path = fs::path(hostDir()) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

    // A file of the user's at a host path, from before the run.
    void earlierFile(const std::string& path, const std::string& content) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        timespec times[2] = {{kEarlierTime, 0}, {kEarlierTime, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }

    // The user's file is back as it was: its bytes and its time.
    void expectEarlierFile(const std::string& path, const std::string& content) {
        EXPECT_EQ(contentOf(path), content) << path;
        EXPECT_EQ(modifiedAt(path), kEarlierTime) << path;
    }

    // Flips a bit inside the second chunk of `entry`, whose file holds
    // `data` stored as it is (noise that deflate cannot shrink).
    void flipBitInSecondChunk(Bytes& file, const StoredEntry& entry, const std::string& data) {
        ASSERT_EQ(entry.chunkLengths.size(), 3u);
        const Bytes piece(data.begin() + 16384 + 5000, data.begin() + 16384 + 5064);
        auto chunk = file.begin() + static_cast<std::ptrdiff_t>(entry.chunkOffsets[1]);
        auto found = std::search(chunk, chunk + entry.chunkLengths[1], piece.begin(), piece.end());
        ASSERT_NE(found, chunk + entry.chunkLengths[1]) << "the chunk is not stored as it is";
        found[10] ^= 0x10;
    }

    // This scenario's texts for every failure message and the undo popup,
    // so that the boxes prove where their texts come from.
    ProductDescription failingDescription() {
        ProductDescription product = description();
        const std::string p = productName();
        product.setText("errArchiveCorrupt", p + ": the package is damaged.");
        product.setText("errCrc", p + ": a checksum does not match.");
        product.setText("errCreateFile", p + " cannot create '%s': %s");
        product.setText("errCreatePath", p + " cannot make the folder '%s': %s");
        product.setText("errWriteFile", p + " cannot write '%s': %s");
        product.setText("textUndoing", "Undoing what the setup of " + p + " did...");
        return product;
    }

    // Components named "One", "Two", ... holding the given files.
    void addComponents(ProductDescription& product,
                       const std::vector<std::vector<std::string>>& files) {
        const char* names[] = {"One", "Two", "Three", "Four"};
        for (std::size_t i = 0; i < files.size(); ++i) {
            product.components.push_back({names[i], files[i]});
            product.defaultSelection.push_back(names[i]);
        }
    }

    // Starts the installer, accepts the install question and waits for the
    // error box; replace questions (for files that exist) are answered Yes.
    std::optional<Window> runToErrorBox(const std::string& fileName, Process*& setup) {
        setup = &start(fileName);
        std::optional<Window> question = waitWindow(fileName, "install-question");
        if (!question) return std::nullopt;
        acceptAndPassWizard(*question, fileName);
        const std::string errorTitle = productName() + " Error";
        const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const Window& window : robot.list(WindowQuery::byExe(fileName))) {
                if (window.title == "Confirm File Replace") {
                    answer(window, kReplaceYes);
                } else if (window.title == errorTitle) {
                    WindowQuery query = WindowQuery::byExe(fileName);
                    query.title = errorTitle;
                    return waitWindow(query, "error");
                }
            }
            if (setup->poll()) break;
            std::this_thread::sleep_for(Milliseconds(50));
        }
        screenshot("no-error-box");
        ADD_FAILURE() << "no error box";
        return std::nullopt;
    }

    // Answers the error box and returns the exit code. With watchUndo the
    // undo popup must be seen while the rollback runs (its thread does not
    // pump then, so the robot reads it without sending messages); a rollback
    // of a few entries is over too soon for that, one of 150 files lasts
    // about a second.
    int answerAndExit(const Window& box, Process& setup, const std::string& fileName,
                      bool watchUndo) {
        std::future<std::optional<Window>> popup;
        std::string watcherOutput;
        if (watchUndo) {
            WindowQuery query = WindowQuery::byExe(fileName);
            query.title = productName();
            query.className = "#32770";
            popup = std::async(std::launch::async, [query, &watcherOutput] {
                Robot watcher(E2E_ROBOT_EXE);
                std::optional<Window> seen = watcher.waitForBusy(query, Milliseconds(10000));
                watcherOutput = watcher.lastOutput();
                return seen;
            });
            std::this_thread::sleep_for(Milliseconds(300));  // the watcher is polling
        }
        answer(box, kIdOk);
        int code = exitCodeOf(setup);
        if (watchUndo) {
            std::optional<Window> seen = popup.get();
            EXPECT_TRUE(seen) << "no undo popup during the rollback";
            if (seen) {
                EXPECT_FALSE(seen->isMessageBox());
                const Control* text = seen->child(219);
                EXPECT_TRUE(text) << "the popup has no text line: " << seen->title << " "
                                  << seen->children.size() << " children; "
                                  << watcherOutput;
                if (text) {
                    EXPECT_EQ(text->text, "Undoing what the setup of " + productName() + " did...");
                }
            }
        }
        return code;
    }

    // A box of this scenario's error caption with the text and OK alone.
    void expectErrorBox(const std::optional<Window>& box, const std::string& text) {
        expectBox(box, productName() + " Error", text, {kIdOk});
    }

    // The message of a failure that quotes a path and the system's reason.
    void expectPathAndReason(const std::optional<Window>& box, const std::string& head,
                             const std::string& path) {
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title, productName() + " Error");
        const std::string start = head + path + "': ";
        EXPECT_EQ(box->message.rfind(start, 0), 0u) << box->message;
        EXPECT_GT(box->message.size(), start.size()) << "no system reason: " << box->message;
    }

    void expectNothingLeft() {
        EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{})
            << "the rollback left files";
        EXPECT_FALSE(fs::exists(hostInstallFolder())) << "the run's install folder stays";
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    }
};

// ---- damaged package data -------------------------------------------------

// A flipped bit in the stored bytes of an incompressible file: inflate takes
// them as they are, the chunk's checksum tells. The first component and the
// files before the chunk were written, one of them over a file the user had
// (replaced with Yes, and moved aside meanwhile); the rollback (with its
// popup) takes them all and puts the user's file back as it was.
TEST_F(FailureScenario, FlippedBitInChunkDataIsChecksumErrorAndUndoesTheRun) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::vector<std::string> many;
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "many/f%03d.txt", i);
        source(name, std::to_string(i));
    }
    source("first.txt", "first");
    const std::string data = noise(40000, 1);
    source("noise.bin", data);
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt"}, {"noise.bin"}});
    product.components[0].rawEntries = {"{ folder = \"many\", to = \"Many\" }"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    std::vector<StoredEntry> entries = storedEntries(file);
    ASSERT_EQ(entries.size(), 152u);
    ASSERT_EQ(entries.back().name, "noise.bin");
    flipBitInSecondChunk(file, entries.back(), data);
    writeInstaller(file, "flipped.exe");
    earlierFile(hostInstallFolder() + "first.txt", "the user's first");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("flipped.exe", setup);
    expectErrorBox(box, productName() + ": a checksum does not match.");
    ASSERT_TRUE(box);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Many/f149.txt")) << "nothing was written before";
    EXPECT_EQ(contentOf(hostInstallFolder() + "first.txt"), "first");
    EXPECT_EQ(backupFolders().size(), 1u) << "the user's file is not kept aside";
    EXPECT_EQ(answerAndExit(*box, *setup, "flipped.exe", true), 8);
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"first.txt"});
    expectEarlierFile(hostInstallFolder() + "first.txt", "the user's first");
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// The same in the DirectX component, which a Windows 9x platform with an
// older DirectX (Wine's own DirectDraw: DirectX 2 of major 5) extracts into
// the temporary folder before anything of the product, over a file of the
// same name that was there: the rollback, with its popup, takes the
// temporary files and puts that file back.
TEST_F(FailureScenario, FlippedBitInTheDirectXComponentUndoesItsTemporaryFiles) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    const std::string temp = wineSession().temporaryFolder();
    ASSERT_FALSE(temp.empty());
    const std::string redist = hostPathOf(temp + "Redist");
    std::error_code ignored;
    fs::remove_all(redist, ignored);
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "dx/Many/f%03d.txt", i);
        source(name, std::to_string(i));
    }
    const std::string data = noise(40000, 3);
    source("dx/noise.zip", data);  // stored after the text files
    source("first.txt", "first");
    ProductDescription product = failingDescription();
    product.components = {{"One", {"first.txt"}},
                          {"DirectX", {}, {"{ folder = \"dx\", to = \"Redist\" }"}}};
    product.defaultSelection = {"One"};
    product.options = {"directx-components = [\"DirectX\"]", "required-directx = 0x00050003"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    std::vector<StoredEntry> entries = storedEntries(file);
    ASSERT_EQ(entries.size(), 152u);
    ASSERT_EQ(entries.back().name, "Redist\\noise.zip");
    flipBitInSecondChunk(file, entries.back(), data);
    writeInstaller(file, "dxflipped.exe");
    asWindows9x("dxflipped.exe", kWineDirectDraw);
    earlierFile(redist + "/Many/f000.txt", "someone's file");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("dxflipped.exe", setup);
    expectErrorBox(box, productName() + ": a checksum does not match.");
    ASSERT_TRUE(box);
    EXPECT_TRUE(fs::exists(redist + "/Many/f149.txt")) << "the temporary files were written";
    EXPECT_EQ(answerAndExit(*box, *setup, "dxflipped.exe", true), 8);
    expectNothingLeft();
    EXPECT_EQ(filesBelow(redist), (std::vector<std::string>{"Many", "Many/f000.txt"}))
        << "the temporary DirectX files stay";
    expectEarlierFile(redist + "/Many/f000.txt", "someone's file");
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    fs::remove_all(redist, ignored);
}

// A damaged stream header at the start of the second component: inflate
// itself fails, error 1.
TEST_F(FailureScenario, DamagedStreamOfLaterComponentIsCorruptArchive) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("one.txt", "one");
    source("sub/two.txt", std::string(30000, 't'));
    ProductDescription product = failingDescription();
    addComponents(product, {{"one.txt"}, {}});
    product.components[1].rawEntries = {"{ source = \"sub/two.txt\", to = \"Sub\\\\two.txt\" }"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    std::vector<StoredEntry> entries = storedEntries(file);
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_EQ(entries[1].componentIndex, 1);
    // The chunk's crc, then the zlib header: its check bits no longer add up.
    file[entries[1].chunkOffsets[0] + 4 + 1] ^= 0x01;
    writeInstaller(file, "stream.exe");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("stream.exe", setup);
    expectErrorBox(box, productName() + ": the package is damaged.");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "stream.exe", false), 1);
    expectNothingLeft();
}

// ---- a cut installer ------------------------------------------------------

// Cut inside the last component's data: the configuration block went with
// the end, so the program stops before it writes anything, with the
// program's own text.
TEST_F(FailureScenario, InstallerCutInsideItsDataStopsBeforeWriting) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("data.bin", noise(50000, 2));
    ProductDescription product = failingDescription();
    addComponents(product, {{"data.bin"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    std::vector<StoredEntry> entries = storedEntries(file);
    ASSERT_EQ(entries.size(), 1u);
    file.resize(entries[0].chunkOffsets[1] + 100);
    writeInstaller(file, "cut.exe");

    Process& setup = start("cut.exe");
    std::optional<Window> box = waitWindow("cut.exe", "error-box");
    expectBox(box, "Error",
              "The archive inside INSTALL.EXE is corrupt.\nInstall failed and will exit.", {kIdOk});
    if (box) answer(*box, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 1);
    expectNothingLeft();
}

// The stored data ends early but the configuration block is intact behind
// it: the reads of the last file come up short.
TEST_F(FailureScenario, StoredDataEndingEarlyIsCorruptArchive) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("first.txt", "first");
    source("data.bin", noise(50000, 3));
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt", "data.bin"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    std::vector<StoredEntry> entries = storedEntries(file);
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(cutBeforeConfigBlock(file, entries[1].chunkOffsets[1] + 100));
    writeInstaller(file, "short.exe");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("short.exe", setup);
    expectErrorBox(box, productName() + ": the package is damaged.");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "short.exe", false), 1);
    expectNothingLeft();
}

// A component whose first entry lies past the end of the file.
TEST_F(FailureScenario, ComponentStartingPastTheEndIsCorruptArchive) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("one.txt", "one");
    source("two.txt", "two");
    ProductDescription product = failingDescription();
    addComponents(product, {{"one.txt"}, {"two.txt"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    std::optional<std::size_t> start = findPackage(file);
    ASSERT_TRUE(start);
    ASSERT_TRUE(setComponentFirstEntry(file, 1, static_cast<std::uint32_t>(file.size() + 4096)));
    writeInstaller(file, "pastend.exe");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("pastend.exe", setup);
    expectErrorBox(box, productName() + ": the package is damaged.");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "pastend.exe", false), 1);
    expectNothingLeft();
}

// ---- the target system refuses --------------------------------------------

// A plain file stands where a folder of the path must be made: error 4
// quoting the path up to that folder.
TEST_F(FailureScenario, FileInThePlaceOfAFolderEndsWithErrorFour) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("first.txt", "first");
    source("one.txt", "one");
    source("two.txt", "two");
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt"}});
    product.components[0].rawEntries = {"{ source = \"one.txt\", to = \"New\\\\one.txt\" }",
                                        "{ source = \"two.txt\", to = \"Data\\\\Deep\\\\two.txt\" }"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "blocked.exe");
    fs::create_directories(hostInstallFolder());
    std::ofstream(hostInstallFolder() + "Data") << "a file named like the folder";

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("blocked.exe", setup);
    expectPathAndReason(box, productName() + " cannot make the folder '", installFolder() + "Data");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "blocked.exe", false), 4);
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"Data"});
    EXPECT_EQ(contentOf(hostInstallFolder() + "Data"), "a file named like the folder");
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// Another program holds an output file open and shares only reading: error 2
// naming the file; the held file is as it was.
TEST_F(FailureScenario, OutputFileHeldOpenByAnotherProgramEndsWithErrorTwo) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("first.txt", "first");
    source("held.txt", "new content");
    ProductDescription product = failingDescription();
    addComponents(product, {{"first.txt", "held.txt"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "held.exe");
    fs::create_directories(hostInstallFolder());
    std::ofstream(hostInstallFolder() + "held.txt") << "old content";

    Process holder = robot.holdFile(installFolder() + "held.txt", windowsDir() + "held.ready",
                                    Milliseconds(60000));
    for (int i = 0; i < 200 && !fs::exists(hostDir() + "/held.ready"); ++i)
        std::this_thread::sleep_for(Milliseconds(50));
    ASSERT_TRUE(fs::exists(hostDir() + "/held.ready")) << "the robot did not open the file";

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("held.exe", setup);
    expectPathAndReason(box, productName() + " cannot create '", installFolder() + "held.txt");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "held.exe", false), 2);
    holder.kill();
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"held.txt"});
    EXPECT_EQ(contentOf(hostInstallFolder() + "held.txt"), "old content");
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// The disk fills up during a write: error 5 with the file's path, and the
// disk is empty again after the rollback.
TEST_F(FailureScenario, FullDiskDuringAWriteEndsWithErrorFive) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    SmallDisk disk(wineSession().prefix(), "256k");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string folder = std::string(1, disk.letter()) + ":\\Product\\";
    source("first.txt", std::string(20000, 'f'));
    source("large.bin", noise(400000, 4));
    ProductDescription product = failingDescription();
    product.defaultFolder = folder;
    addComponents(product, {{"first.txt", "large.bin"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "full.exe");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("full.exe", setup);
    expectPathAndReason(box, productName() + " cannot write '", folder + "large.bin");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "full.exe", false), 5);
    EXPECT_EQ(filesBelow(disk.hostPath()), std::vector<std::string>{}) << "left on the full disk";
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// Every file below a host folder with its size, a hash of its bytes and its
// time, every folder by its name: what a user would miss.
std::map<std::string, std::string> footprintOf(const std::string& folder) {
    std::map<std::string, std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string relative = fs::relative(it->path(), folder).generic_string();
        if (it->is_directory()) {
            found[relative] = "<folder>";
            continue;
        }
        const std::string bytes = contentOf(it->path().string());
        std::uint32_t hash = 2166136261u;
        for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
        found[relative] = std::to_string(bytes.size()) + " bytes #" + std::to_string(hash) + " at " +
                          std::to_string(modifiedAt(it->path().string()));
    }
    return found;
}

// An upgrade that fails half-way, the disk full: the previous installation
// comes back whole (its files with their times, its folders, its shortcuts,
// its registry values and its uninstall entry), no backup stays, and its
// own uninstaller still removes it cleanly afterwards. The first version is
// installed unattended: such a run keeps what it replaces the same way.
TEST_F(FailureScenario, UpgradeFailingOnAFullDiskGivesBackThePreviousInstallation) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    SmallDisk disk(wineSession().prefix(), "1m");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string folder = std::string(1, disk.letter()) + ":\\Product\\";
    const std::string hostFolder = disk.hostPath() + "/Product";
    const char kShellFolders[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const std::string desktopLink =
        hostPathOf(wineSession().readRegistryString(kShellFolders, "Desktop").value_or("") + "\\" + productName() + ".lnk");
    const std::string programsFolder = hostPathOf(
        wineSession().readRegistryString(kShellFolders, "Programs").value_or("") + "\\E2E " + name());
    const std::string userKey = "HKCU\\Software\\E2E\\" + name();
    const std::string uninstallEntry =
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productName();
    deleteKeyAtEnd(userKey);
    deleteKeyAtEnd(uninstallEntry);
    removeAtEnd(desktopLink);
    removeAtEnd(programsFolder);

    auto product = [&](const std::string& version, const std::vector<std::string>& files) {
        ProductDescription p = failingDescription();
        p.version = version;
        p.defaultFolder = folder;
        p.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry"};
        p.setText("uninstallDisplayName", productName());
        p.components.push_back({"Main", files, {"{ source = \"guide.txt\", to = \"Docs\\\\guide.txt\" }"}});
        p.defaultSelection = {"Main"};
        p.extraToml = shortcutAction("desktop-shortcut", "app.txt", productName(), "") +
                      shortcutAction("programs-shortcut", "app.txt", "E2E " + name() + "\\App", "") +
                      registryValueAction("HKCU", "Software\\E2E\\" + name(), "Home", "$(ExtrPath)");
        return build(p);
    };
    source("guide.txt", "the guide");
    source("v1/app.txt", "version one");
    source("v2/app.txt", "version two");
    source("v2/large.bin", noise(1200000, 8));
    const Bytes first = product("1.00", {"v1/app.txt"});
    const Bytes second = product("1.10", {"v2/app.txt", "v2/large.bin"});
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    writeInstaller(first, "v1.exe");
    writeInstaller(second, "v2.exe");
    ASSERT_EQ(exitCodeOf(startWith("v1.exe", {"/S"}, {"DISPLAY="})), 0);

    // What the previous installation is: files, shortcuts, registry.
    auto footprint = [&] {
        std::map<std::string, std::string> found = footprintOf(hostFolder);
        for (const auto& [path, what] : footprintOf(programsFolder)) found["Programs/" + path] = what;
        found["Desktop link"] = fs::exists(desktopLink) ? contentOf(desktopLink) : "<none>";
        for (const char* value : {"Version", "InstallDir", "UnInstallLog"})
            found[value] = wineSession().readRegistryString(machineKey(), value).value_or("<none>");
        found["Home"] = wineSession().readRegistryString(userKey, "Home").value_or("<none>");
        for (const char* value : {"DisplayName", "UninstallString"})
            found[value] = wineSession().readRegistryString(uninstallEntry, value).value_or("<none>");
        return found;
    };
    const std::map<std::string, std::string> installed = footprint();
    ASSERT_EQ(installed.count("app.txt"), 1u);
    ASSERT_EQ(installed.at("Version"), "1.00");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("v2.exe", setup);
    expectPathAndReason(box, productName() + " cannot write '", folder + "large.bin");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "v2.exe", false), 5);
    EXPECT_EQ(footprint(), installed);
    EXPECT_EQ(backupFolders(disk.hostPath()), std::vector<std::string>{});
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});

    // The old uninstaller, as the uninstall list starts it unattended.
    std::string command = installed.at("UninstallString");
    const std::size_t programEnd = command.find("\" ");
    ASSERT_NE(programEnd, std::string::npos) << command;
    command.insert(programEnd + 2, "/S ");
    Process uninstaller = robot.runCommandLine(command, Milliseconds(30000));
    EXPECT_EQ(exitCodeOf(uninstaller), 0) << command;
    // Its own file goes once it has ended, through a copy of itself.
    for (int i = 0; i < 150 && fs::exists(hostFolder); ++i) std::this_thread::sleep_for(Milliseconds(100));
    EXPECT_FALSE(fs::exists(hostFolder)) << "the old installation's folder stays";
    EXPECT_FALSE(fs::exists(desktopLink));
    EXPECT_FALSE(fs::exists(programsFolder));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(userKey));
    EXPECT_FALSE(wineSession().registryKeyExists(uninstallEntry));
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
    SKIP_WITHOUT_PACKAGE_BUILDER();
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
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "many/f%03d.txt", i);
        source(name, std::to_string(i));
    }
    ProductDescription product = failingDescription();
    addComponents(product, {{}});
    product.components[0].rawEntries = {"{ folder = \"many\", to = \"Many\" }"};
    product.extraToml =
        "[[pictures]]\nname = \"clip\"\nfile = " + tomlString(pictures + "progress.avi") +
        "\n[[pictures]]\nname = \"info\"\nfile = " + tomlString(pictures + "info.ico") +
        "\n[[pictures]]\nname = \"undo\"\nfile = " + tomlString(pictures + "undo.ico") +
        "\n[images]\nprogress-animation = \"clip\"\nupdating-system = \"info\"\n"
        "undoing = \"undo\"\n";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "temp.exe");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("temp.exe", setup);
    expectPathAndReason(box, productName() + " cannot write '",
                        std::string(1, disk.letter()) + ":\\info.ico");
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "temp.exe", true), 5);
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
    SKIP_WITHOUT_PACKAGE_BUILDER();
    source("exact.bin", noise(16384, 5));
    source("over.bin", noise(16385, 6));
    source("text.txt", std::string(70000, 'x'));
    source("noise.bin", noise(40000, 7));
    source("empty.txt", "");
    ProductDescription product = failingDescription();
    addComponents(product, {{"exact.bin", "over.bin", "text.txt"}, {"noise.bin", "empty.txt"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "bar.exe");
    fs::create_directories(hostInstallFolder() + "empty.txt");

    Process* setup = nullptr;
    std::optional<Window> box = runToErrorBox("bar.exe", setup);
    expectPathAndReason(box, productName() + " cannot create '", installFolder() + "empty.txt");
    WindowQuery query = WindowQuery::byExe("bar.exe");
    query.title = productName() + " Progress";
    std::optional<Window> progress = robot.waitFor(query, Milliseconds(2000));
    ASSERT_TRUE(progress) << "no progress window behind the error box";
    const Control* bar = progress->child(211);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->className, "msctls_progress32");
    EXPECT_EQ(bar->high, 1024);
    EXPECT_EQ(bar->position, 1024);
    ASSERT_TRUE(box);
    EXPECT_EQ(answerAndExit(*box, *setup, "bar.exe", false), 2);
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"empty.txt"});
}

// ---- a damaged log of the previous installation ---------------------------

// A path longer than the program's paths (a long /D= folder and a long
// stored name) fails an attended run while its progress window plays its
// clip: the error box wraps the path instead of reaching past the screen,
// and the clip leaves the temporary folder with the run.
TEST_F(FailureScenario, TooLongPathWrapsInItsBoxAndLeavesNoTemporaryPicture) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
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
    WindowQuery errorQuery = WindowQuery::byExe("long.exe");
    errorQuery.title = productName() + " Error";
    std::optional<Window> box = waitWindow(errorQuery, "error");
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

class DamagedLogScenario : public FailureScenario {
protected:
    // A previous installation below "old\" with its log, as the registry
    // names it; the log's bytes pass through `damage` first, and `extra`
    // entries follow the sound ones.
    std::string previousInstallation(void (*damage)(Bytes&), std::vector<LogRecord> extra = {}) {
        fs::create_directories(hostDir() + "/old");
        std::ofstream(hostDir() + "/old/old.txt") << "old";
        const std::string oldFolder = windowsDir() + "old";
        std::vector<LogRecord> entries{{2, 0, 0, oldFolder}, {1, 0, 0, oldFolder + "\\old.txt"}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        Bytes log = makeInstallLog(entries);
        damage(log);
        EXPECT_TRUE(writeFile(hostDir() + "/old/InstallLog", log));
        const std::string logPath = oldFolder + "\\InstallLog";
        EXPECT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.00"));
        EXPECT_TRUE(wineSession().setRegistryString(machineKey(), "UnInstallLog", logPath));
        return logPath;
    }

    // Upgrades over it: the damaged-log box, nothing of the old installation
    // removed, and the installation completes.
    void upgradeOverDamagedLog(const std::string& logPath, const std::string& fileName) {
        source("new.txt", "new");
        ProductDescription product = failingDescription();
        product.version = "1.10";
        addComponents(product, {{"new.txt"}});
        Bytes file = build(product);
        ASSERT_FALSE(file.empty());
        writeInstaller(file, fileName);

        Process& setup = start(fileName);
        std::optional<Window> question = waitWindow(fileName, "upgrade-question");
        ASSERT_TRUE(question);
        acceptAndPassWizard(*question, fileName);
        WindowQuery errorQuery = WindowQuery::byExe(fileName);
        errorQuery.title = productName() + " Error";
        std::optional<Window> box = waitWindow(errorQuery, "log-damaged");
        expectErrorBox(box, "The log " + logPath + " of the installed " + productName() +
                                " is damaged.");
        ASSERT_TRUE(box);
        answer(*box, kIdOk);
        WindowQuery doneQuery = WindowQuery::byExe(fileName);
        doneQuery.title = productName();
        std::optional<Window> done = waitWindow(doneQuery, "completion");
        ASSERT_TRUE(done);
        EXPECT_TRUE(done->isMessageBox());
        answer(*done, kIdOk);
        EXPECT_EQ(exitCodeOf(setup), 0);

        EXPECT_EQ(contentOf(hostDir() + "/old/old.txt"), "old") << "a file of the damaged log went";
        EXPECT_TRUE(fs::exists(hostDir() + "/old/InstallLog"));
        EXPECT_EQ(contentOf(hostInstallFolder() + "new.txt"), "new");
    }
};

TEST_F(DamagedLogScenario, LogWithAWrongMagicByteIsReportedAndKept) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::string log = previousInstallation([](Bytes& bytes) { bytes[7] = 'x'; });
    upgradeOverDamagedLog(log, "magic.exe");
}

// The count promises a third entry that the file does not hold: the walk
// would leave the file, so nothing at all is removed.
TEST_F(DamagedLogScenario, LogWhoseCountLeadsOutOfTheFileIsReportedAndKept) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::string log = previousInstallation([](Bytes& bytes) {
        writeU32(bytes, offsetof(fmt::UninstallHeader, entryCount), 3);
    });
    upgradeOverDamagedLog(log, "count.exe");
}

// The first entry's successor is the entry itself, and the count claims
// millions: the walk must neither loop nor size an array by the count.
TEST_F(DamagedLogScenario, SelfLoopingLogIsReportedAndTheInstallationCompletes) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::string log = previousInstallation([](Bytes& bytes) {
        writeU32(bytes, offsetof(fmt::UninstallHeader, entryCount), 0x10000001u);
        writeU32(bytes, sizeof(fmt::UninstallHeader) + offsetof(fmt::LogEntry, next), 0);
    });
    upgradeOverDamagedLog(log, "loop.exe");
}

// A log edited to name a file that no installation of the product made
// (outside its folder and the shell folders) is refused as a whole.
TEST_F(DamagedLogScenario, LogNamingAFileOutsideTheInstallationRemovesNothing) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::ofstream(hostDir() + "/victim.txt") << "victim";
    std::string log = previousInstallation([](Bytes&) {},
                                           {{1, 0, 0, windowsDir() + "old\\..\\victim.txt"},
                                            {1, 0, 0, windowsDir() + "victim.txt"}});
    upgradeOverDamagedLog(log, "hostile.exe");
    EXPECT_EQ(contentOf(hostDir() + "/victim.txt"), "victim");
}

// A sound log naming a key the system and other programs share: the
// previous installation's files go, the shared key stays.
TEST_F(DamagedLogScenario, LogNamingASharedKeyLeavesIt) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string valueName = "E2E " + name();
    ASSERT_TRUE(wineSession().setRegistryString(run, valueName, "keep me"));
    std::string log = previousInstallation(
        [](Bytes&) {}, {{3, 0, fmt::kRootCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"}});
    source("new.txt", "new");
    ProductDescription product = failingDescription();
    product.version = "1.10";
    addComponents(product, {{"new.txt"}});
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "shared.exe");
    Process& setup = start("shared.exe");
    std::optional<Window> question = waitWindow("shared.exe", "upgrade-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "shared.exe");
    WindowQuery doneQuery = WindowQuery::byExe("shared.exe");
    doneQuery.title = productName();
    std::optional<Window> done = waitWindow(doneQuery, "completion");
    ASSERT_TRUE(done);
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_FALSE(fs::exists(hostDir() + "/old/old.txt")) << "the previous installation stays";
    EXPECT_EQ(wineSession().readRegistryString(run, valueName).value_or("<gone>"), "keep me");
    wineSession().deleteRegistryValue(run, valueName);
}

}  // namespace
}  // namespace e2e
