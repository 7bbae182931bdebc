// The uninstaller's decisions that need no Windows: its command line, the
// texts a log carries, which paths are the same, which install folders are
// too wide, which keys belong to the system, and the report of what stays.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/log/uninstall_log.h"
#include "engine/removal/removal_limits.h"
#include "engine/removal/system_keys.h"
#include "uninstaller/removal/path_match.h"
#include "uninstaller/removal/removal_report.h"
#include "uninstaller/uninstall_command_line.h"
#include "uninstaller/uninstall_texts.h"
#include "../engine/paths/fake_code_page.h"

using namespace uninstaller;

namespace {

// The wide command line: the program's name skipped by its module path,
// the log's path spelt exactly or by the short form of the existing log.
TEST(UninstallerCommandLine, SpellsTheWideLineOrRefusesIt) {
    struct Case {
        const char* what;
        std::u16string line;
        bool spelt;
        const char* arguments;
    };
    const std::u16string module = u"C:\\Program Files\\Zażółć\\UnInst.exe";
    const Case cases[] = {
        {"as the entry gives it", module + u" C:\\Program Files\\Demo\\InstallLog.txt", true,
         "C:\\Program Files\\Demo\\InstallLog.txt"},
        {"an existing log by its short form", module + u" /S C:\\Zażółć\\InstallLog.txt", true,
         "/S C:\\ZA__~3BM\\INSTAL~1.TXT"},
        {"quoted", u"\"" + module + u"\" \"C:\\Zażółć\\InstallLog.txt\"", true, "C:\\ZA__~3BM\\INSTAL~1.TXT"},
        {"a log that does not exist", module + u" C:\\Łódź\\InstallLog.txt", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::FakeCodePage codePage;
        testing_support::FakeShortNames items;
        items.existing[u"C:\\Zażółć\\InstallLog.txt"] = u"C:\\ZA__~3BM\\INSTAL~1.TXT";
        char out[600] = "left over";
        EXPECT_EQ(spellArguments(skipProgramName(c.line.c_str(), module.c_str()), codePage, items, out,
                                 sizeof out),
                  c.spelt);
        EXPECT_STREQ(out, c.arguments);
    }
}

TEST(UninstallerCommandLine, TakesTheLogPathAsTheEntryAndTheShortcutGiveIt) {
    const char* module = "C:\\Program Files\\Demo\\UnInst.exe";
    struct Case {
        const char* line;
        CommandKind kind;
        bool silent;
        const char* logPath;
    };
    const Case cases[] = {
        // The uninstall entry: neither path quoted, blanks in both.
        {"C:\\Program Files\\Demo\\UnInst.exe C:\\Program Files\\Demo\\InstallLog", CommandKind::uninstall,
         false, "C:\\Program Files\\Demo\\InstallLog"},
        {"c:\\program files\\demo\\uninst.exe /S C:\\Program Files\\Demo\\InstallLog  ", CommandKind::uninstall,
         true, "C:\\Program Files\\Demo\\InstallLog"},
        {"\"C:\\Program Files\\Demo\\UnInst.exe\" \"C:\\Program Files\\Demo\\InstallLog\"",
         CommandKind::uninstall, false, "C:\\Program Files\\Demo\\InstallLog"},
        {"UnInst.exe -s \"C:\\Log\"", CommandKind::uninstall, true, "C:\\Log"},
        {"UnInst.exe /Sx", CommandKind::uninstall, false, "/Sx"},  // a path, not the switch
        {"UnInst.exe", CommandKind::invalid, false, ""},
        {"UnInst.exe /S", CommandKind::invalid, true, ""},
        {"UnInst.exe \"C:\\Log", CommandKind::invalid, false, ""},
        {"UnInst.exe \"C:\\Log\" more", CommandKind::invalid, false, ""},
        {"x.exe /FINISH 1F4 2 C:\\Program Files\\Demo\\UnInst.exe", CommandKind::finish, false, ""},
        {"x.exe /FINISH 1F4 C:\\x", CommandKind::invalid, false, ""},
        {"x.exe /FINISH 123456789 1 C:\\x", CommandKind::invalid, false, ""},
    };
    for (const Case& c : cases) {
        const Command command = parseArguments(skipProgramName(c.line, module));
        EXPECT_EQ(command.kind, c.kind) << c.line;
        EXPECT_EQ(command.silent, c.silent) << c.line;
        EXPECT_STREQ(command.logPath, c.logPath) << c.line;
    }
    const Command finish = parseArguments(" /finish 1f4 2 C:\\Program Files\\Demo\\UnInst.exe");
    EXPECT_EQ(finish.processHandle, 0x1F4u);
    EXPECT_EQ(finish.folderLevels, 2u);
    EXPECT_STREQ(finish.imagePath, module);
    // A path that does not fit 260 bytes is refused, not cut.
    EXPECT_EQ(parseArguments(("C:\\" + std::string(260, 'a')).c_str()).kind, CommandKind::invalid);
}

// A log file's bytes: the header, the texts, no entries.
std::vector<fmt::u8> logWithTexts(const std::vector<std::string>& texts) {
    std::vector<fmt::u8> bytes(sizeof(fmt::UninstallHeader), 0);
    std::memcpy(bytes.data(), fmt::kUninstallMagic, 8);
    for (std::size_t i = 0; i < texts.size() && i < fmt::kUninstallTextCount; ++i) {
        const fmt::u32 offset = static_cast<fmt::u32>(bytes.size());
        std::memcpy(bytes.data() + offsetof(fmt::UninstallHeader, textOffsets) + 4 * i, &offset, 4);
        bytes.insert(bytes.end(), texts[i].begin(), texts[i].end());
        bytes.push_back(0);
    }
    return bytes;
}

TEST(UninstallerTexts, ComeFromTheLogOnlyWhenEveryOffsetHoldsATerminatedText) {
    std::vector<std::string> texts;
    for (unsigned i = 0; i < fmt::kUninstallTextCount; ++i) texts.push_back("text " + std::to_string(i));
    std::vector<fmt::u8> log = logWithTexts(texts);
    UninstallTexts read;
    ASSERT_TRUE(readUninstallTexts(log.data(), log.size(), read));
    EXPECT_STREQ(read[kTextTitle], "text 0");
    EXPECT_STREQ(read[kTextDetails], "text 18");

    // Into the header, past the bytes, and a last text cut before its end.
    for (const fmt::u32 bad : {fmt::u32(10), fmt::u32(log.size()), fmt::u32(0xFFFFFFF0u)}) {
        std::vector<fmt::u8> damaged = log;
        std::memcpy(damaged.data() + offsetof(fmt::UninstallHeader, textOffsets) + 4 * 5, &bad, 4);
        EXPECT_FALSE(readUninstallTexts(damaged.data(), damaged.size(), read)) << bad;
    }
    EXPECT_FALSE(readUninstallTexts(log.data(), log.size() - 1, read));
    EXPECT_FALSE(readUninstallTexts(log.data(), sizeof(fmt::UninstallHeader), read));
}

TEST(UninstallerTexts, ALogWithoutDigestGetsTheProgramsOwnWithNoLockName) {
    char room[512];
    const UninstallTexts own = ownUninstallTexts("C:\\Prod\\", room, sizeof room);
    for (unsigned i = 0; i < fmt::kUninstallTextCount; ++i) ASSERT_NE(own.text[i], nullptr) << i;
    // Nothing the log says can block the removal or pose as the product.
    EXPECT_STREQ(own[kTextLockName], "");
    EXPECT_STREQ(own[kTextProductName], "");
    EXPECT_NE(std::string(own[kTextQuestion]).find("C:\\Prod\\"), std::string::npos);
    EXPECT_NE(std::string(own[kTextQuestion]).find("no digest"), std::string::npos);
}

TEST(UninstallerPaths, CompareAsWindowsReadsThem) {
    EXPECT_TRUE(sameFullPath("C:\\Program Files\\Demo\\InstallLog", "c:/program files/demo/./installlog"));
    EXPECT_TRUE(sameFullPath("C:\\Demo\\", "C:\\Demo"));
    EXPECT_FALSE(sameFullPath("C:\\Demo\\InstallLog", "C:\\Demo\\InstallLog2"));
    EXPECT_FALSE(sameFullPath("InstallLog", "InstallLog"));  // relative paths name no place

    const char* program = "C:\\Program Files\\Demo\\UnInst.exe";
    const char* log = "C:\\Program Files\\Demo\\InstallLog";
    EXPECT_TRUE(matchesUninstallCommand("C:\\Program Files\\Demo\\UnInst.exe C:\\Program Files\\Demo\\InstallLog",
                                        program, log));
    EXPECT_TRUE(matchesUninstallCommand("\"c:\\program files\\demo\\uninst.exe\" \"C:\\Program Files\\Demo\\InstallLog\"",
                                        program, log));
    EXPECT_FALSE(matchesUninstallCommand("C:\\Program Files\\Demo\\UnInst.exe C:\\Program Files\\Other\\InstallLog",
                                         program, log));
    EXPECT_FALSE(matchesUninstallCommand("C:\\Other\\UnInst.exe C:\\Program Files\\Demo\\InstallLog", program, log));
    EXPECT_FALSE(matchesUninstallCommand("", program, log));

    char child[32];
    EXPECT_EQ(levelsBelow(program, "C:\\Program Files\\Demo", child, sizeof child), 1u);
    EXPECT_STREQ(child, "UnInst.exe");
    EXPECT_EQ(levelsBelow(program, "c:\\program files\\", child, sizeof child), 2u);
    EXPECT_STREQ(child, "Demo");
    EXPECT_EQ(levelsBelow(program, "C:\\", child, sizeof child), 3u);
    EXPECT_STREQ(child, "Program Files");
    EXPECT_EQ(levelsBelow(program, "C:\\Program Files\\Dem", child, sizeof child), 0u);
    EXPECT_EQ(levelsBelow(program, program, child, sizeof child), 0u);
    EXPECT_EQ(levelsBelow(program, "C:\\Program Files\\Demo", child, 4), 0u);  // the name does not fit
}

TEST(UninstallerKeys, TheSystemsAndSharedKeysAreNeverRemoved) {
    struct Case {
        const char* key;
        bool system;
    };
    const Case cases[] = {
        {"Software\\Example Writer", false},
        {"software\\Acme\\Demo\\Settings", false},
        {"Software\\Acme Microsoft", false},
        {"Software", true},
        {"Environment", true},
        {"SYSTEM\\CurrentControlSet\\Services\\Demo", true},
        {"Control Panel\\Desktop", true},
        {"Software\\Microsoft", true},
        {"SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Run", true},
        {"Software\\Classes\\.txt", true},
        {"Software\\Wow6432Node\\Acme", true},
        {"Software\\Policies\\Acme", true},
        {"Software\\\\Acme", true},
        {"\\Software\\Acme", true},
        {"Software\\Acme\\", true},
        {"", true},
    };
    for (const Case& c : cases) EXPECT_EQ(setup::isSystemRegistryKey(c.key), c.system) << c.key;
}

// The uninstaller's limits add one rule to the setup program's: an
// installation puts only shortcuts into the user's shell folders.
TEST(UninstallerLimits, OnlyShortcutsInTheShellFolders) {
    setup::RemovalLimits limits{"C:\\Demo\\", "C:\\users\\u\\Desktop", "C:\\users\\u\\Programs"};
    EXPECT_TRUE(setup::isWithinRemovalLimits(fmt::kLogFile, "C:\\users\\u\\Desktop\\letter.doc", limits));
    limits.onlyShortcutsInShellFolders = true;
    EXPECT_FALSE(setup::isWithinRemovalLimits(fmt::kLogFile, "C:\\users\\u\\Desktop\\letter.doc", limits));
    EXPECT_TRUE(setup::isWithinRemovalLimits(fmt::kLogFile, "C:\\users\\u\\Desktop\\Demo.LNK", limits));
    EXPECT_TRUE(setup::isWithinRemovalLimits(fmt::kLogFile, "C:\\users\\u\\Programs\\Acme\\Demo.lnk", limits));
    EXPECT_TRUE(setup::isWithinRemovalLimits(fmt::kLogFolder, "C:\\users\\u\\Programs\\Acme", limits));
    EXPECT_TRUE(setup::isWithinRemovalLimits(fmt::kLogFile, "C:\\Demo\\readme.doc", limits));
}

TEST(UninstallerReport, ListsWhatStaysUnderItsHeadings) {
    static RemovalReport report;  // large: static, as in the program
    report = RemovalReport();
    char details[512];
    EXPECT_TRUE(report.formatDetails("F", "D", "K", details, sizeof details));
    EXPECT_STREQ(details, "");

    report.add(fmt::kLogFolder, 0, "C:\\Demo");
    report.add(fmt::kLogRegistryKey, fmt::kRootCurrentUser, "Software\\Acme\\Demo");
    report.add(fmt::kLogRegistryKey, fmt::kRootLocalMachine, report.keepText("Software\\Uninstall\\Demo"));
    report.add(fmt::kLogFolder, 0, "C:\\Demo\\Data");
    EXPECT_EQ(report.count(), 4u);
    EXPECT_TRUE(report.formatDetails("-- files --", "-- folders --", "-- keys --", details, sizeof details));
    EXPECT_STREQ(details,
                 "-- folders --\r\nC:\\Demo\r\nC:\\Demo\\Data\r\n"
                 "\r\n-- keys --\r\nHKEY_CURRENT_USER\\Software\\Acme\\Demo\r\n"
                 "HKEY_LOCAL_MACHINE\\Software\\Uninstall\\Demo\r\n");
    char small[20];
    EXPECT_FALSE(report.formatDetails("-- files --", "-- folders --", "-- keys --", small, sizeof small));
    EXPECT_EQ(std::strlen(small), sizeof small - 1);

    report.dropGone(fmt::kLogRegistryKey, [](const LeftItem& item) { return item.root == fmt::kRootCurrentUser; });
    EXPECT_EQ(report.count(fmt::kLogRegistryKey), 1u);
    EXPECT_EQ(report.count(fmt::kLogFolder), 2u);
}

}  // namespace
