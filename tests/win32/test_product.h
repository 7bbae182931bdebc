// Products for the Win32 tests: configuration records with components,
// post-install actions and a shipped uninstaller section, installers whose
// packages carry real stored files, and InstallLog files read back.
#ifndef TESTS_WIN32_TEST_PRODUCT_H
#define TESTS_WIN32_TEST_PRODUCT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "format/package_format.h"
#include "test_support.h"

namespace testing_support {

struct TestFile {
    std::string name;     // relative to the destination folder
    std::string content;
    fmt::FileTime time{0x12345678u, 0x01D00000u};
};

struct TestAction {
    std::uint32_t type = 0;
    std::uint32_t rootKey = 0;
    std::string arg1, arg2, arg3;  // each cut to 128 bytes, no terminator when full
};

struct TestComponent {
    std::string name;
    std::vector<TestFile> files;
    std::vector<TestAction> actions;
};

struct TestPicture {
    std::string fileName;  // in the temporary folder
    std::string data;
};

struct TestProduct {
    TextList texts;
    std::uint32_t flags = 0;
    std::uint32_t selection = 0;
    std::vector<TestComponent> components;
    std::vector<TestPicture> pictures;
    std::uint32_t images[fmt::kImageIndexCount] = {};  // ImageIndexTable
};

// The uninstaller texts shipped in every test record's section, and their size.
extern const char kShippedUninstallTexts[];
extern const std::uint32_t kShippedUninstallTextsSize;

// The record of product; each component's firstEntryOffset is taken from
// entryOffsets (0 when absent).
std::vector<std::uint8_t> buildProductRecord(const TestProduct& product,
                                             const std::vector<std::uint32_t>& entryOffsets = {});

// image + package header + the components' streams + configuration block.
std::vector<std::uint8_t> buildProductInstaller(const std::vector<std::uint8_t>& image,
                                                const TestProduct& product);

struct ParsedEntry {
    int kind;
    int flag;
    std::uint32_t value;
    std::string text;

    bool operator==(const ParsedEntry& other) const {
        return kind == other.kind && flag == other.flag && value == other.value &&
               text == other.text;
    }
};

void PrintTo(const ParsedEntry& entry, std::ostream* out);

// The entries of a log (section header first). Checks every header count and
// every `next` link against the bytes; a defect is reported as a test
// failure and ends the walk.
std::vector<ParsedEntry> parseLog(const std::uint8_t* bytes, std::size_t size);

// An InstallLog file as a finished installation writes it: the shipped
// texts of every test record, then the entries.
std::vector<std::uint8_t> buildInstallLog(const std::vector<ParsedEntry>& entries);

// The in-memory log of the loaded record.
std::vector<ParsedEntry> loadedLogEntries();

}  // namespace testing_support

namespace testing_support {

// Points the user's "Desktop" and "Programs" shell folders at the given
// folders for as long as it lives, then puts back what was there.
class ShellFoldersOverride {
public:
    ShellFoldersOverride(const std::string& desktop, const std::string& programs);
    ~ShellFoldersOverride();
    ShellFoldersOverride(const ShellFoldersOverride&) = delete;
    ShellFoldersOverride& operator=(const ShellFoldersOverride&) = delete;

private:
    struct Saved {
        bool present = false;
        DWORD type = 0;
        std::vector<std::uint8_t> data;
    };
    Saved saved_[2][2];  // [Shell Folders, User Shell Folders][Desktop, Programs]
};

inline constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Removes a folder with everything in it; a missing folder is fine.
void deleteTree(const std::string& folder);

// A test's own ground: the folder C:\SetupkitTests\<name> with Desktop and
// Programs folders inside, the shell folders pointed at them, and the
// registry key Software\SetupkitTests\<name>; all removed when it ends.
class TestSandbox {
public:
    explicit TestSandbox(const std::string& name);
    ~TestSandbox();
    TestSandbox(const TestSandbox&) = delete;
    TestSandbox& operator=(const TestSandbox&) = delete;

    std::string desktop() const { return root + "\\Desktop"; }
    std::string programs() const { return root + "\\Programs"; }

    const std::string root;  // C:\SetupkitTests\<name>
    const std::string key;   // below HKLM and HKCU
    const std::string app;   // the install folder "My App" below root, with its backslash

private:
    std::unique_ptr<ShellFoldersOverride> shellFolders_;
};

// The files below folder, as paths relative to it, sorted.
std::vector<std::string> listFiles(const std::string& folder);

struct ShortcutInfo {
    bool loaded = false;
    std::string target;
    std::string arguments;
    std::string workingDir;
};

// Reads a shortcut file back through the shell's link object.
ShortcutInfo readShortcut(const std::string& path);

// A REG_SZ value, or "<missing>".
std::string registryText(HKEY root, const std::string& key, const char* value);

bool fileExists(const std::string& path);

// The setup program's backup folders at the root of drive C, where every
// test's files lie.
std::vector<std::string> backupFolders();

}  // namespace testing_support

#endif
