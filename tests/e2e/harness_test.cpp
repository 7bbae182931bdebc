// The harness's parsing and package changes, checked without Wine.
#include <gtest/gtest.h>

#include <zlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "harness/host_files.h"
#include "harness/install_log_file.h"
#include "harness/json_lines.h"
#include "harness/package_surgery.h"
#include "harness/product_description.h"
#include "harness/robot_client.h"
#include "harness/wizard_view.h"
#include "robot/json_line.h"

namespace e2e {
namespace {

TEST(RobotOutput, WindowWithChildrenAndEscapedTexts) {
    std::string output =
        "{\"kind\":\"window\",\"hwnd\":131140,\"class\":\"#32770\",\"text\":\"Error\","
        "\"visible\":true,\"enabled\":false,\"rect\":[337,330,686,437],\"exe\":\"a.exe\","
        "\"defid\":7,\"message\":\"Line \\\"one\\\"\\nC:\\\\x \\u00e9\"}\r\n"
        "{\"kind\":\"child\",\"hwnd\":1,\"class\":\"Button\",\"text\":\"&No\",\"id\":7,"
        "\"visible\":true,\"enabled\":true,\"check\":1,\"rect\":[-1,2,3,4]}\n"
        "not json\n"
        "{\"kind\":\"child\",\"hwnd\":2,\"class\":\"Static\",\"id\":65535,\"visible\":false}\n"
        "{\"kind\":\"child\",\"hwnd\":3,\"class\":\"ListBox\",\"id\":204,\"selected\":1}\n"
        "{\"kind\":\"item\",\"hwnd\":3,\"index\":0,\"text\":\"00000000 C:\\\\\"}\n"
        "{\"kind\":\"item\",\"hwnd\":9,\"index\":0,\"text\":\"another list's\"}\n"
        "{\"kind\":\"item\",\"hwnd\":3,\"index\":1,\"text\":\"00000001 e2e\"}\n";
    std::vector<Window> windows = parseWindows(output);
    ASSERT_EQ(windows.size(), 1u);
    const Window& w = windows[0];
    EXPECT_EQ(w.title, "Error");
    EXPECT_EQ(w.message, "Line \"one\"\nC:\\x \xe9");
    EXPECT_EQ(w.defaultButton, 7);
    EXPECT_TRUE(w.visible);
    EXPECT_FALSE(w.enabled);
    EXPECT_EQ(w.rect.right, 686);
    ASSERT_EQ(w.children.size(), 3u);
    EXPECT_EQ(w.children[0].check, 1);
    EXPECT_TRUE(w.children[0].items.empty());
    EXPECT_EQ(w.children[0].selected, -1);
    EXPECT_EQ(w.children[2].items, (std::vector<std::string>{"00000000 C:\\", "00000001 e2e"}));
    EXPECT_EQ(w.children[2].selected, 1);
    EXPECT_EQ(w.children[0].rect.left, -1);
    EXPECT_TRUE(w.isMessageBox());
    EXPECT_EQ(w.buttonIds(), std::vector<int>{7});
}

TEST(RobotOutput, EveryByteSurvivesTheRobotsQuotingAndTheRunnersReading) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    std::optional<JsonObject> object =
        parseJsonLine("{\"text\":" + robot::quoteJson(all) + ",\"n\":-5,\"f\":false}");
    ASSERT_TRUE(object);
    EXPECT_EQ(textOf(*object, "text"), all);
    EXPECT_EQ(numberOf(*object, "n"), -5);
    EXPECT_FALSE(flagOf(*object, "f"));
    EXPECT_EQ(numberOf(*object, "text", 9), 9) << "a text is not a number";
}

TEST(RobotOutput, MalformedLinesAreRejected) {
    EXPECT_FALSE(parseJsonLine("{\"a\":1"));
    EXPECT_FALSE(parseJsonLine("{\"a\":\"\\u0100\"}"));
    EXPECT_FALSE(parseJsonLine("{\"a\":1} trailing"));
    EXPECT_TRUE(parseJsonLine("{}"));
}

// A stand-in installer: an image, then a package whose configuration block
// holds the given record.
Bytes fakeInstaller(size_t imageSize, const Bytes& record) {
    Bytes file(imageSize, 0x90);
    size_t start = file.size();
    file.resize(start + 28 + 20, 0);
    std::memcpy(&file[start], "VeLo", 4);
    writeU32(file, start + 4, 0xDEADBABE);
    writeU32(file, start + 24, 28);
    std::memcpy(&file[start + 28], "-DOOFUS-", 8);
    EXPECT_TRUE(replaceConfigRecord(file, record));
    return file;
}

// A sheet with a hidden page (built before) and the visible one: only the
// visible page's controls count, and the sheet's buttons by their state.
TEST(RobotOutput, WizardPageOfASheet) {
    auto child = [](int hwnd, int parent, const char* cls, int id, bool visible, bool enabled,
                    const char* text) {
        return std::string("{\"kind\":\"child\",\"hwnd\":") + std::to_string(hwnd) +
               ",\"parent\":" + std::to_string(parent) + ",\"class\":\"" + cls + "\",\"id\":" +
               std::to_string(id) + ",\"visible\":" + (visible ? "true" : "false") +
               ",\"enabled\":" + (enabled ? "true" : "false") + ",\"text\":\"" + text +
               "\",\"rect\":[10,20,30,40]}\n";
    };
    const std::string output =
        "{\"kind\":\"window\",\"hwnd\":1,\"class\":\"#32770\",\"text\":\"Wizard\"}\n" +
        child(2, 1, "#32770", 0, false, true, "") + child(3, 2, "Static", 0, false, true, "old") +
        child(4, 1, "#32770", 0, true, true, "") + child(5, 4, "Button", 400, true, true, "&Desktop") +
        child(6, 4, "Static", 0, true, true, "Welcome") +
        child(7, 1, "Button", kWizardBack, true, false, "< &Back") +
        child(8, 1, "Button", kWizardNext, true, true, "&Next >") +
        child(9, 1, "Button", kWizardFinish, false, false, "Finish");
    std::vector<Window> windows = parseWindows(output);
    ASSERT_EQ(windows.size(), 1u);
    std::optional<WizardPage> page = wizardPageOf(windows[0]);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->page, 4u);
    EXPECT_EQ(page->pageRect.bottom, 40);
    ASSERT_EQ(page->controls.size(), 2u);
    EXPECT_EQ(page->control(400)->text, "&Desktop");
    EXPECT_EQ(page->withText("Wel")->hwnd, 6u);
    EXPECT_EQ(page->withText("old"), nullptr);
    EXPECT_TRUE(page->shows(kWizardBack));
    EXPECT_FALSE(page->offers(kWizardBack));
    EXPECT_EQ(page->navigation(), std::vector<int>{kWizardNext});
    windows[0].children[2].visible = false;  // no page shown: a message box, say
    EXPECT_FALSE(wizardPageOf(windows[0]));
}

TEST(PackageSurgery, ScanHonoursTheFourByteGrid) {
    Bytes file = fakeInstaller(4096, Bytes(100, 'r'));
    EXPECT_EQ(findPackage(file), 4096u);
    insertBytes(file, 4096, Bytes(2, 0));
    EXPECT_FALSE(findPackage(file));
    insertBytes(file, 4096, Bytes(2, 0));
    EXPECT_EQ(findPackage(file), 4100u);
}

TEST(PackageSurgery, StraddlePutsTheMagicAtTheEndOfAStep) {
    for (size_t image : {size_t(512), size_t(32764), size_t(40960)}) {
        Bytes file = fakeInstaller(image, Bytes(10, 'r'));
        ASSERT_TRUE(straddleScanStep(file));
        std::optional<size_t> start = findPackage(file);
        ASSERT_TRUE(start);
        EXPECT_EQ((*start + 4) % 32768, 0u) << image;
        EXPECT_GE(*start, image);
        EXPECT_EQ(unpackConfigRecord(file), Bytes(10, 'r'));
    }
}

TEST(PackageSurgery, RecordReplacementRewritesSizesAndCrc) {
    Bytes file = fakeInstaller(1024, Bytes(300, 'a'));
    Bytes record(787426, 0);
    record[0] = 'x';
    ASSERT_TRUE(replaceConfigRecord(file, record));
    size_t block = *findConfigBlock(file);
    uint32_t packed = readU32(file, block + kConfigPackedSizeField);
    EXPECT_EQ(file.size(), block + kConfigHeaderSize + packed);
    EXPECT_EQ(readU32(file, block + kConfigUnpackedSizeField), 787426u);
    EXPECT_EQ(readU32(file, block + kConfigCrcField), crc32(0, &file[block + 20], packed));
    EXPECT_EQ(unpackConfigRecord(file), record);
}

TEST(PackageSurgery, FlippedBitBreaksTheCrcOnly) {
    Bytes file = fakeInstaller(1024, Bytes(300, 'a'));
    size_t block = *findConfigBlock(file);
    uint32_t crc = readU32(file, block + kConfigCrcField);
    uint32_t packed = readU32(file, block + kConfigPackedSizeField);
    ASSERT_TRUE(flipConfigBit(file, 5, 0));
    EXPECT_EQ(readU32(file, block + kConfigCrcField), crc);
    EXPECT_NE(crc32(0, &file[block + 20], packed), crc);
    EXPECT_FALSE(flipConfigBit(file, packed, 0)) << "past the compressed bytes";
}

// A fake package with two stored entries behind the header: a file of
// 20,000 bytes (two chunks of 10 and 7 stored bytes) and an empty one.
Bytes installerWithEntries() {
    Bytes file = fakeInstaller(512, Bytes(10, 'r'));
    const size_t start = *findPackage(file);
    Bytes entries;
    auto entry = [&](const std::string& name, uint32_t size, std::vector<uint16_t> chunks) {
        Bytes header(28, 0);
        std::memcpy(header.data(), "FILE", 4);
        writeU32(header, 4, size);
        header[24] = 1;
        header[26] = static_cast<uint8_t>(name.size());
        entries.insert(entries.end(), header.begin(), header.end());
        entries.insert(entries.end(), name.begin(), name.end());
        for (uint16_t length : chunks) {
            entries.push_back(length & 0xFF);
            entries.push_back(length >> 8);
        }
        for (uint16_t length : chunks) entries.insert(entries.end(), length, 0xCC);
    };
    entry("a\\b.bin", 20000, {10, 7});
    entry("empty", 0, {});
    insertBytes(file, start + 28, entries);
    writeU32(file, start + 24, static_cast<uint32_t>(28 + entries.size()));
    return file;
}

TEST(PackageSurgery, StoredEntriesAreWalkedUpToTheConfigBlock) {
    Bytes file = installerWithEntries();
    std::vector<StoredEntry> entries = storedEntries(file);
    ASSERT_EQ(entries.size(), 2u);
    const size_t start = *findPackage(file);
    EXPECT_EQ(entries[0].offset, start + 28);
    EXPECT_EQ(entries[0].name, "a\\b.bin");
    EXPECT_EQ(entries[0].componentIndex, 1);
    EXPECT_EQ(entries[0].chunkLengths, (std::vector<uint16_t>{10, 7}));
    EXPECT_EQ(entries[0].chunkOffsets, (std::vector<size_t>{start + 28 + 28 + 7 + 4, start + 28 + 28 + 7 + 4 + 10}));
    EXPECT_EQ(entries[1].offset, start + 28 + 28 + 7 + 4 + 17);
    EXPECT_TRUE(entries[1].chunkLengths.empty());

    // Cut inside the first entry's chunks: the walk no longer fits, the
    // configuration block is still found and read.
    ASSERT_TRUE(cutBeforeConfigBlock(file, entries[0].chunkOffsets[1]));
    EXPECT_TRUE(storedEntries(file).empty());
    EXPECT_EQ(unpackConfigRecord(file), Bytes(10, 'r'));
    EXPECT_FALSE(cutBeforeConfigBlock(file, start + 10)) << "inside the package header";
}

TEST(InstallLogFile, WrittenLogReadsBackAndDamageIsNamed) {
    std::vector<LogRecord> records = {{2, 0, 0, "C:\\x"}, {1, 1, 0, "C:\\x\\abc"},
                                      {3, 0, 0x80000001u, "K\\a"}};
    Bytes bytes = makeInstallLog(records);
    // Texts of 3 characters take 4 bytes (an entry of 14), of 4 to 7 take 8.
    EXPECT_EQ(bytes.size(), 110u + 18 + 22 + 14);
    std::string problem;
    std::optional<InstallLogFile> log = parseInstallLog(bytes, problem);
    ASSERT_TRUE(log) << problem;
    EXPECT_EQ(log->entries, records);
    EXPECT_EQ(log->entryCount, 3u);
    EXPECT_EQ(log->firstEntryOffset, 110u);

    Bytes counted = bytes;
    writeU32(counted, 94, 4);
    EXPECT_FALSE(parseInstallLog(counted, problem));
    EXPECT_NE(problem.find("entry 3"), std::string::npos) << problem;
    Bytes chained = bytes;
    writeU32(chained, 110 + 2, 15);  // the first entry's next
    EXPECT_FALSE(parseInstallLog(chained, problem));
    Bytes magic = bytes;
    magic[7] = 'x';
    EXPECT_FALSE(parseInstallLog(magic, problem));
}

// What the scenarios compare a folder by: every file and folder, relative
// and sorted, the bytes and the time a file was written with.
TEST(HostFiles, FoldersAreListedAndFilesKeepTheirBytesAndTime) {
    const std::string root = ::testing::TempDir() + "e2e-host-files";
    std::filesystem::remove_all(root);
    ASSERT_TRUE(writeFileAt(root + "/b/inner.txt", std::string("x\0y", 3), kEarlierTime));
    ASSERT_TRUE(writeFileAt(root + "/a.txt", "a", kSourceTime));
    EXPECT_EQ(filesBelow(root), (std::vector<std::string>{"a.txt", "b", "b/inner.txt"}));
    EXPECT_EQ(treeOf(root), (std::map<std::string, std::string>{
                                {"a.txt", "a"}, {"b", "<folder>"}, {"b/inner.txt", std::string("x\0y", 3)}}));
    EXPECT_EQ(modifiedAt(root + "/b/inner.txt"), kEarlierTime);
    EXPECT_EQ(modifiedAt(root + "/missing"), 0);
    EXPECT_EQ(contentOf(root + "/missing"), "");
    EXPECT_EQ(filesBelow(root + "/missing"), std::vector<std::string>{});
    std::filesystem::remove_all(root);
}

TEST(HostFiles, NoiseAndTextsInShortcutFiles) {
    EXPECT_EQ(noise(1000, 7), noise(1000, 7));
    EXPECT_NE(noise(1000, 7), noise(1000, 8));
    EXPECT_EQ(noise(1000, 7).size(), 1000u);
    EXPECT_TRUE(holdsText("..C:\\a.txt..", "C:\\a.txt"));
    EXPECT_TRUE(holdsText(std::string("..a\0b\0", 6), "ab"));
    EXPECT_FALSE(holdsText(std::string("a\0x\0b", 5), "ab"));
}

TEST(HostFiles, WaitUntilEndsWhenTheConditionHoldsOrAtTheTimeout) {
    int looks = 0;
    EXPECT_TRUE(waitUntil([&] { return ++looks == 3; }, Milliseconds(10000)));
    EXPECT_EQ(looks, 3);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(waitUntil([] { return false; }, Milliseconds(100)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, Milliseconds(100));
}

TEST(Description, TomlStringsAreEscaped) {
    EXPECT_EQ(tomlString("C:\\x \"q\"\n\x01"), "\"C:\\\\x \\\"q\\\"\\n\\u0001\"");
}

}  // namespace
}  // namespace e2e
