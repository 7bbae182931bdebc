#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/paths/install_path.h"
#include "setup/options/command_line.h"

using namespace setup;

namespace {

bool drivesCAndD(char letter) { return letter == 'C' || letter == 'c' || letter == 'D' || letter == 'd'; }

}  // namespace

TEST(SetupOptions, ReadsEveryOptionWithoutRegardToCase) {
    SetupOptions o;
    OptionError e;
    ASSERT_TRUE(parseSetupOptions("", o, e));
    EXPECT_FALSE(o.unattended);
    EXPECT_FALSE(o.shortcutsGiven);

    ASSERT_TRUE(parseSetupOptions("  /s /type=2 /Shortcuts=StartMenu \"/LOG=C:\\my logs\\run.txt\" "
                                  "/d=C:\\Other Place\\Sub  ",
                                  o, e))
        << e.text;
    EXPECT_TRUE(o.unattended);
    EXPECT_EQ(o.type, 2);
    EXPECT_TRUE(o.shortcutsGiven);
    EXPECT_EQ(o.shortcutFlags, fmt::kFlagStartMenuShortcuts);
    EXPECT_STREQ(o.logPath, "C:\\my logs\\run.txt");
    EXPECT_STREQ(o.folder, "C:\\Other Place\\Sub");

    ASSERT_TRUE(parseSetupOptions("/NOSHORTCUTS \"/COMPONENTS=Main, Extras\" /D=\"D:\\Quoted Place\"", o, e))
        << e.text;
    EXPECT_TRUE(o.shortcutsGiven);
    EXPECT_EQ(o.shortcutFlags, 0u);
    EXPECT_STREQ(o.components, "Main, Extras");
    EXPECT_STREQ(o.folder, "D:\\Quoted Place");

    ASSERT_TRUE(parseSetupOptions("/S \"/D=C:\\Other Place\\Sub\"", o, e)) << e.text;
    EXPECT_STREQ(o.folder, "C:\\Other Place\\Sub");
    EXPECT_TRUE(asksUnattended("/type=9 /s"));
    EXPECT_FALSE(asksUnattended("/D=C:\\x /S"));

    ASSERT_TRUE(parseSetupOptions("/passive /ReplaceAtRestart /D=C:\\x", o, e)) << e.text;
    EXPECT_TRUE(o.passive);
    EXPECT_TRUE(o.replaceAtRestart);
    EXPECT_FALSE(o.unattended);
    EXPECT_TRUE(asksUnattended("/type=9 /Passive"));

    ASSERT_TRUE(parseSetupOptions("/lang=De /S", o, e)) << e.text;
    EXPECT_STREQ(o.language, "De");
    ASSERT_TRUE(parseSetupOptions("/S", o, e));
    EXPECT_STREQ(o.language, "");

    ASSERT_TRUE(parseSetupOptions("/?", o, e));
    EXPECT_TRUE(o.help);
    ASSERT_TRUE(parseSetupOptions("/SHORTCUTS=desktop,startmenu", o, e));
    EXPECT_EQ(o.shortcutFlags, fmt::kFlagDesktopShortcuts | fmt::kFlagStartMenuShortcuts);
}

TEST(SetupOptions, RefusesWhatItCannotRead) {
    const char* bad[] = {
        "/X",
        "/S /S",
        "/SILENT",
        "/TYPE=4",
        "/TYPE=",
        "/TYPE=12",
        "/TYPE=1 /COMPONENTS=Main",
        "/COMPONENTS=Main /TYPE=1",
        "/SHORTCUTS=desktop,quicklaunch",
        "/SHORTCUTS=",
        "/SHORTCUTS=desktop /NOSHORTCUTS",
        "/LOG=",
        "/LOG=a /LOG=b",
        "/D=",
        "/D=   ",
        "/S=1",
        "/PASSIVE /PASSIVE",
        "/S /PASSIVE",
        "/PASSIVE=1",
        "/REPLACEATRESTART /replaceatrestart",
        "/REPLACEATRESTART=1",
        "/LANG=",
        "/LANG",
        "/LANG=de /LANG=fr",
        "/LANG=abcdefghijklmnop",  // longer than any code
        "setup.ini",
        "/COMPONENTS=Main, Extras",  // a blank ends the option outside quotes
        "\"/D=C:\\open quote",
    };
    for (const char* line : bad) {
        SetupOptions o;
        OptionError e;
        EXPECT_FALSE(parseSetupOptions(line, o, e)) << line;
        EXPECT_TRUE(e.failed) << line;
        EXPECT_NE(e.text[0], '\0') << line;
    }
    SetupOptions o;
    OptionError e;
    EXPECT_FALSE(parseSetupOptions(("/D=C:\\" + std::string(300, 'x')).c_str(), o, e));
    EXPECT_FALSE(parseSetupOptions(("/LOG=" + std::string(300, 'x')).c_str(), o, e));
    EXPECT_FALSE(parseSetupOptions(("/COMPONENTS=" + std::string(5000, 'x')).c_str(), o, e));
    EXPECT_STREQ((parseSetupOptions("/Q", o, e), e.text), "unknown option \"/Q\" (/? lists the options)");
}

// A line the parser refuses still names its log, so that the log says why.
TEST(SetupOptions, TheLogOfARefusedLineIsFound) {
    struct Case {
        const char* line;
        const char* log;  // nullptr: none
    };
    const Case cases[] = {
        {"/S /LOG=C:\\l\\b2.txt /BOGUS", "C:\\l\\b2.txt"},
        {"/LOG=C:\\l\\b.txt /S /S", "C:\\l\\b.txt"},
        {"/BOGUS \"/log=C:\\my logs\\r.txt\"", "C:\\my logs\\r.txt"},
        {"/LOG=a /LOG=b", "a"},
        {"/S /BOGUS", nullptr},
        {"/LOG=", nullptr},
        {"/D=C:\\x /LOG=C:\\in the folder", nullptr},  // the rest of the line is the folder
    };
    for (const Case& c : cases) {
        char log[260];
        EXPECT_EQ(findLogOption(c.line, log, sizeof log), c.log != nullptr) << c.line;
        if (c.log != nullptr) {
            EXPECT_STREQ(log, c.log) << c.line;
        }
    }
    char small[8];
    EXPECT_FALSE(findLogOption("/X /LOG=C:\\a\\long.txt", small, sizeof small));
}

// The help text in a message box: no tabs (they wrap raggedly), one option
// a line, what it does indented below, nothing wider than a box shows.
TEST(SetupOptions, HelpReadsInAMessageBox) {
    const std::string help = setupOptionsHelp();
    EXPECT_EQ(help.find('\t'), std::string::npos);
    std::size_t options = 0;
    for (std::size_t start = 0; start < help.size();) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        const std::string line = help.substr(start, end - start);
        EXPECT_LE(line.size(), 48u) << line;  // about what the box holds on a line before it wraps
        if (line[0] == '/') ++options;
        start = end + 1;
    }
    EXPECT_EQ(options, 11u);
    // With the longest refusal in front, the bad-option box holds it whole.
    EXPECT_LT(help.size() + sizeof(OptionError{}.text) + 2, 1024u);
}

TEST(SetupOptions, ComponentNamesBecomeAMask) {
    const char* names[] = {"Main", "Extras", "Music Pack"};
    std::uint32_t mask = 0;
    OptionError e;
    ASSERT_TRUE(componentMaskFromNames("main,MUSIC PACK", names, 3, mask, e));
    EXPECT_EQ(mask, 0x5u);
    ASSERT_TRUE(componentMaskFromNames(" Extras ", names, 3, mask, e));
    EXPECT_EQ(mask, 0x2u);
    EXPECT_FALSE(componentMaskFromNames("Main,Docs", names, 3, mask, e));
    EXPECT_STREQ(e.text, "no component is named \"Docs\"");
    EXPECT_FALSE(componentMaskFromNames("Main,", names, 3, mask, e));
}

TEST(InstallPath, TheChecksInTheirOrder) {
    struct Case {
        std::string typed;
        InstallPathProblem problem;
        std::string result;  // when it passes
    };
    const Case cases[] = {
        {"", InstallPathProblem::empty, ""},
        {"C:/Games/Demo", InstallPathProblem::none, "C:\\Games\\Demo\\"},
        {"d:\\x\\", InstallPathProblem::none, "d:\\x\\"},
        {"Games", InstallPathProblem::none, "Games\\"},
        {"C:\\" + std::string(147, 'a'), InstallPathProblem::none, "C:\\" + std::string(147, 'a') + "\\"},
        {"C:\\" + std::string(148, 'a'), InstallPathProblem::tooLong, ""},
        {"E:\\Games", InstallPathProblem::badDrive, ""},
        {"1:\\Games", InstallPathProblem::badDrive, ""},
        {"C:\\Ga:mes", InstallPathProblem::badDrive, ""},
        {"C:\\Ga*mes\\x:", InstallPathProblem::badChars, ""},   // the leftmost decides
        {"C:\\Ga:mes\\x*", InstallPathProblem::badDrive, ""},
        {"C:\\a|b", InstallPathProblem::badChars, ""},
    };
    for (const Case& c : cases) {
        char buffer[260] = {};
        std::memcpy(buffer, c.typed.data(), c.typed.size());
        EXPECT_EQ(checkInstallPath(buffer, sizeof buffer, drivesCAndD), c.problem) << c.typed;
        if (c.problem == InstallPathProblem::none) {
            EXPECT_EQ(std::string(buffer), c.result);
        }
    }
    char full[4] = {'C', ':', 'x', '\0'};  // no room for the backslash
    EXPECT_EQ(checkInstallPath(full, sizeof full, drivesCAndD), InstallPathProblem::tooLong);

    for (const char* absolute : {"C:\\", "c:\\x\\", "\\\\server\\share\\", "\\\\s\\d"})
        EXPECT_TRUE(isAbsoluteInstallPath(absolute)) << absolute;
    for (const char* relative : {"Games\\", "\\Games\\", "C:Games\\", "\\\\server\\", "\\\\\\x"})
        EXPECT_FALSE(isAbsoluteInstallPath(relative)) << relative;
}
