// Every defect of a description ends in one message "file:line: field: what".
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>

#include "build/bundled_uninstaller.h"
#include "build/package_writer.h"
#include "build_helpers.h"
#include "common/input_error.h"
#include "description/description_reader.h"
#include "description/description_warnings.h"
#include "sources/file_time.h"
#include "sources/placeholder_media.h"
#include "sources/source_files.h"
#include "starter/starter_product.h"

namespace testing_mkpackage {
namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string components(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += "[[components]]\nname = \"C" + std::to_string(i) + "\"\n";
    return out;
}

std::string pictures(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += "[[pictures]]\nname = \"p" + std::to_string(i) + "\"\nfile = \"i.ico\"\n";
    return out;
}

struct BadDescription {
    const char* name;
    std::string toml;       // the whole description
    std::string expected;   // the message after "product.toml:"
};

const std::string P = "[product]\nname = \"P\"\n";  // lines 1 and 2

std::vector<BadDescription> badDescriptions() {
    return {
        {"UnknownTopLevelKey", "colour = 1\n" + P, "1: colour: unknown key"},
        {"UnknownProductKey", P + "vendor = \"x\"\n", "3: product.vendor: unknown key"},
        {"UnknownText", P + "[texts]\nmsgHello = \"x\"\n", "4: texts.msgHello: unknown key (not a text slot)"},
        {"UnknownComponentKey", P + "[[components]]\nname = \"C\"\nsize = 3\n", "5: components[0].size: unknown key"},
        {"UnknownItemKey", P + "[[pages]]\nitems = [{ txt = \"x\" }]\n", "4: pages[0].items[0].txt: unknown key"},
        {"UnknownFlag", P + "[options]\nflags = [\"desktop\"]\n", "4: options.flags: unknown flag \"desktop\""},
        {"MissingName", "[product]\nversion = \"1\"\n", "1: product.name: is missing"},
        {"ProductNameTooLong", "[product]\nname = \"" + repeat("n", 244) + "\"\n",
         "2: product.name: is 244 characters, more than 243"},
        {"ComponentNameTooLong", P + "[[components]]\nname = \"" + repeat("c", 128) + "\"\n",
         "4: components[0].name: text is 128 bytes, longer than 127"},
        {"ActionArgumentTooLong",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"remove-file\"\npath = \"" + repeat("a", 128) + "\"\n",
         "7: components[0].actions[0].path: text is 128 bytes, longer than 127"},
        {"UnknownAction", P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"run\"\n",
         "6: components[0].actions[0].type: unknown action \"run\""},
        {"TooManyComponents", P + components(33), "components: more than 32 components"},
        {"TooManyPages", P + repeat("[[pages]]\n", 33), "pages: more than 32 pages"},
        {"TooManyPictures", P + pictures(49), "pictures: more than 48 pictures"},
        {"MissingFile", P + "[[components]]\nname = \"C\"\nfiles = [\"nope.txt\"]\n", "5: components[0].files[0]: \""},
        {"AbsoluteStoredName", P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"\\\\x\" }]\n",
         "5: components[0].files[0]: stored name \"\\x\" is absolute"},
        {"DriveInStoredName", P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"C:x\" }]\n",
         "5: components[0].files[0]: stored name \"C:x\" holds a drive"},
        {"ClimbingStoredName", P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"a\\\\..\\\\..\\\\x\" }]\n",
         "climbs out of the install folder"},
        {"StoredNameTooLong",
         P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"" + repeat("d\\\\", 129) + "xx\" }]\n",
         "is 260 bytes, longer than 259"},
        {"DuplicateStoredName", P + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\", { source = \"a.txt\", to = \"A.TXT\" }]\n",
         "5: components[0].files[1]: stored name \"A.TXT\" is used twice"},
        {"DuplicateStoredNameInWesternCase",
         P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"\u00c4\u0160.txt\" },"
             " { source = \"a.txt\", to = \"\u00e4\u0161.TXT\" }]\n",
         "5: components[0].files[1]: stored name \"\u00e4\u0161.TXT\" is used twice"},
        {"FileInsideAFileName",
         P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"Docs\" }, { source = \"a.txt\", to = \"docs/x\" }]\n",
         "stored name \"docs/x\" lies in a folder that is also a file"},
        {"FolderNameTakenByAFile",
         P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"d\\\\x\" }, { source = \"a.txt\", to = \"D\" }]\n",
         "stored name \"D\" is also a folder of another file"},
        {"GlobWithoutMatch", P + "[[components]]\nname = \"C\"\nfiles = [{ glob = \"*.none\" }]\n", "matches no file"},
        {"PictureNameUnknown", P + pictures(1) + "[[pages]]\nitems = [{ image = \"logo\" }]\n",
         "7: pages[0].items[0].image: no picture is named \"logo\""},
        {"PictureIndexOutOfRange", P + pictures(1) + "[images]\nundoing = 1\n", "7: images.undoing: 1 is outside 0..0"},
        {"IconWhereAnAnimationBelongs", P + pictures(1) + "[images]\nprogress-animation = \"p0\"\n",
         "7: images.progress-animation: picture is not an .avi clip"},
        {"CharacterOutsideTheCodePage", P + "[texts]\ntitleWizard = \"Ω\"\n",
         "4: texts.titleWizard: character U+03A9 has no place in code page 1252"},
        {"CharacterOutsideAnotherCodePage", "code-page = 1251\n" + P + "[texts]\ntitleWizard = \"é\"\n",
         "5: texts.titleWizard: character U+00E9 has no place in code page 1251"},
        {"DirectXFallbackTooLong", P + "[texts]\ndxVersionUnknown = \"" + repeat("u", 32) + "\"\n",
         "4: texts.dxVersionUnknown: must be shorter than 32 characters"},
        {"DirectXFormatWithoutPlaceholder", P + "[[pages]]\nitems = [{ directx-version-text = \"none\" }]\n",
         "needs exactly one \"%s\""},
        {"TextAlignmentOutOfRange", P + "[options]\ntext-alignment = 3\n", "4: options.text-alignment: 3 is outside 0..2"},
        {"CompressionUnknown", P + "[options]\ncompression = \"xz\"\n", "4: options.compression: must be \"zlib\" or \"lzma\""},
        {"DictionaryTooLarge", P + "[options]\ncompression = \"lzma\"\ndictionary-mib = 13\n", "5: options.dictionary-mib: 13 is outside 1..12"},
        {"DictionaryWithoutLzma", P + "[options]\ndictionary-mib = 4\n", "4: options.dictionary-mib: is a setting of compression = \"lzma\""},
        {"SelectionNamesAnUnknownComponent", P + components(1) + "[options]\npreset-1 = [\"Nope\"]\n",
         "6: options.preset-1: no component is named \"Nope\""},
        {"DirectXPageOutOfRange", P + "[[pages]]\n[options]\ndirectx-page = 1\n", "5: options.directx-page: 1 is outside -1..0"},
        {"DefaultFolderWithoutBackslash", "[product]\nname = \"P\"\ndefault-folder = \"C:\\\\x\"\n",
         "3: product.default-folder: must end with \"\\\""},
        {"UninstallerTextsLeaveNoRoom",
         P + "[uninstaller]\ntexts = [" + repeat("\"" + repeat("u", 13700) + "\", ", 19) + "]\n",
         "4: uninstaller.texts: the texts take"},
        {"WrongNumberOfUninstallerTexts", P + "[uninstaller]\ntexts = [\"a\"]\n", "4: uninstaller.texts: needs 19 texts, has 1"},
        {"SyntaxError", P + "[texts\n", "3: syntax:"},
        {"LetterOutsideAQuotedText", P + "[texts]\ntitleWizard = \xC3\x9C\n",
         "4: syntax: a character outside ASCII stands outside a quoted text"},
        {"LetterInAQuoteGluedToAValue", P + "[[components]]\nname = \"C\"\nfiles = [{ to = 0\"\xD0\x96\" }]\n",
         "5: syntax: a character outside ASCII stands outside a quoted text"},
        {"LetterInAQuoteBehindABracketGluedToAValue", "code-page = 125[[[\"\xD0\x9F\xD1\x80\"]\n" + P,
         "1: syntax:"},
        {"LetterBehindABackslashInAMultiLineText", P + "[texts]\ntitleWizard = \"\"\"a\\\xC3\xA9\"\"\"\n",
         "4: syntax: a character outside ASCII may not follow a backslash"},
        {"ContinuedLineGoingOnWithALetterOutsideAscii", P + "[texts]\ntitleWizard = \"\"\"a\\  \n\n  \xC3\x9C\"\"\"\n",
         "6: syntax: a line continued with a backslash"},
        {"EmptyDefaultFolder", P + "default-folder = \"\"\n", "3: product.default-folder: is empty"},
        {"EmptyLogName", P + "log-name = \"\"\n", "3: product.log-name: is empty"},
        {"FormatWithTooManyConversions", P + "[texts]\nmsgDoneFolder = \"%s in %s\"\n",
         "4: texts.msgDoneFolder: has more than 1 conversion"},
        {"FormatWithWrongConversion", P + "[texts]\nerrCreateFile = \"%s: %d\"\n",
         "4: texts.errCreateFile: conversion 2 \"%d\" must be \"%s\""},
        {"PercentSignReadAsAConversion", P + "[texts]\nmsgDoneFolder = \"100% done in %s\"\n",
         "4: texts.msgDoneFolder: conversion 1 \"% d\" must be \"%s\" (write \"%%\" for a percent sign)"},
        {"FormatWithUnknownConversion", P + "[texts]\nprogressFileFormat = \"%x\"\n",
         "4: texts.progressFileFormat: has \"%x\""},
        {"FormatTakingNoArguments", P + "[texts]\nerrCrc = \"CRC %s\"\n",
         "4: texts.errCrc: takes no \"%\" conversions"},
        {"UninstallerBundleNotABoolean", P + "[uninstaller]\nbundle = \"no\"\n",
         "4: uninstaller.bundle: must be true or false"},
        // One rule per text slot, whether [product] or [texts] sets it.
        {"TextsFolderWithoutBackslash", P + "[texts]\ndefaultInstallDir = \"C:\\\\x\"\n",
         "4: texts.defaultInstallDir: must end with \"\\\""},
        {"TextsEmptyLogName", P + "[texts]\nuninstallLogName = \"\"\n", "4: texts.uninstallLogName: is empty"},
        {"LogNameIsADevice", P + "log-name = \"Logs\\\\con.log\"\n",
         "3: product.log-name: \"Logs\\con.log\" cannot be a file in the install folder: it names a device"},
        {"UninstallerNameClimbsOut", P + "uninstaller = \"..\\\\x.exe\"\n",
         "3: product.uninstaller: \"..\\x.exe\" cannot be a file in the install folder: it climbs out"},
        {"TextsUninstallerNameEndsInADot", P + "[texts]\nuninstallerName = \"remove.\"\n",
         "4: texts.uninstallerName: \"remove.\" cannot be a file in the install folder: it has a level ending in a dot"},
        {"UninstallShortcutNameIsADevice", P + "[texts]\nuninstallShortcutName = \"Tools\\\\LPT1\"\n",
         "4: texts.uninstallShortcutName: \"Tools\\LPT1.lnk\" cannot be a shortcut file: it names a device"},
        {"StoredNameIsADevice", P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"Docs\\\\aux.txt\" }]\n",
         "5: components[0].files[0]: stored name \"Docs\\aux.txt\" names a device"},
        {"StoredNameEndsInABlank", P + "[[components]]\nname = \"C\"\nfiles = [{ source = \"a.txt\", to = \"a \" }]\n",
         "stored name \"a \" has a level ending in a dot or a blank"},
        {"ShortcutProgramIsADevice",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"desktop-shortcut\"\nprogram = \"NUL\"\nname = \"N\"\n",
         "7: components[0].actions[0].program: \"NUL\" cannot be a file in the install folder: it names a device"},
        {"ShortcutNameIsADevice",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"programs-shortcut\"\nprogram = \"a.txt\"\n"
             "name = \"P\\\\com1\"\n",
         "8: components[0].actions[0].name: \"P\\com1.lnk\" cannot be a shortcut file: it names a device"},
        {"RemovedFileWithAForbiddenCharacter",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"remove-file\"\npath = \"a?.ini\"\n",
         "7: components[0].actions[0].path: \"a?.ini\" cannot be a file in the install folder: it holds a character"},
        {"PictureTempNameIsADevice", P + "[[pictures]]\nname = \"p\"\nfile = \"i.ico\"\ntemp-name = \"prn.ico\"\n",
         "3: pictures[0].temp-name: must be a plain file name: it names a device"},
        {"PictureTempNameWithAFolder", P + "[[pictures]]\nname = \"p\"\nfile = \"i.ico\"\ntemp-name = \"a\\\\b.ico\"\n",
         "3: pictures[0].temp-name: must be a plain file name"},
        // Registry keys stay within 259 characters, "$(ExtrPath)" expanded
        // with the longest install folder (151 typed, or a longer default).
        {"RegistryKeyTooLong", P + "registry-key = \"" + repeat("k", 260) + "\"\n",
         "3: product.registry-key: is 260 characters, more than the 259 a registry key may have"},
        {"RegistryValueKeyTooLongExpanded",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKCU\"\n"
             "key = \"" + repeat("k", 109) + "$(ExtrPath)\"\n",
         "8: components[0].actions[0].key: is 260 characters with an install folder of 151"},
        {"RegistryValueKeyTooLongWithALongDefaultFolder",
         P + "default-folder = \"C:\\\\" + repeat("f", 196) + "\\\\\"\n[[components]]\nname = \"C\"\n"
             "[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKCU\"\nkey = \"Software\\\\" + repeat("k", 51) + "$(ExtrPath)\"\n",
         "9: components[0].actions[0].key: is 260 characters with an install folder of 200"},
        {"UninstallDisplayNameTooLong", P + "[texts]\nuninstallDisplayName = \"" + repeat("d", 208) + "\"\n",
         "4: texts.uninstallDisplayName: is 208 characters: the uninstall entry's key would be longer than 259 (at most 207)"},
        {"CodePageOfTwoBytes", "code-page = 932\n" + P, "1: code-page: code page 932 takes more than one byte"},
        {"CodePageUtf8", "code-page = 65001\n" + P,
         "1: code-page: code page 65001 takes more than one byte for a character; the setup program's texts take one, "
         "so only single-byte code pages can be used, such as the Windows code pages 874 and 1250 to 1258"},
        {"CodePageUnknown", "code-page = 4242\n" + P, "1: code-page: code page 4242 is not available here; only single-byte"},
        // What a newcomer writes first.
        {"UnclosedQuote", "[product]\nname = \"P\nversion = \"1\"\n",
         "2: syntax: a quoted text is not closed on its line (the closing \" is missing"},
        {"SourceWithBackslashes", P + "[[components]]\nname = \"C\"\nfiles = [\"sub\\\\a.txt\"]\n",
         "a.txt\": file not found (a source path is relative to the description's folder and writes \"/\" between "
         "folders"},
        {"SourceAsAWindowsPath", P + "[[components]]\nname = \"C\"\nfiles = [\"C:\\\\x\\\\a.txt\"]\n",
         "a.txt\": file not found (a source path is relative"},
        {"RootSpelledInARegistryValueKey",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKLM\"\n"
             "key = \"HKLM\\\\Software\\\\P\"\n",
         "8: components[0].actions[0].key: \"HKLM\\Software\\P\" begins with the registry root HKLM"},
        {"RootSpelledInARemoveKey",
         P + "[[components]]\nname = \"C\"\n[[components.actions]]\ntype = \"remove-key\"\nroot = \"HKCU\"\n"
             "key = \"hkey_current_user\\\\Software\\\\P\"\n",
         "8: components[0].actions[0].key: \"hkey_current_user\\Software\\P\" begins with the registry root"},
        {"RootSpelledInTheProductKey", P + "registry-key = \"HKLM\\\\Software\\\\P\"\n",
         "3: product.registry-key: \"HKLM\\Software\\P\" begins with the registry root HKLM"},
        {"DefaultFolderTooLongForItsFiles",
         P + "default-folder = \"C:\\\\" + repeat("f", 246) + "\\\\\"\n[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n",
         "3: product.default-folder: is 250 characters once expanded; with \"InstallLog\" (10) the path is longer than "
         "the 259 characters"},
        {"DefaultFolderTooLongForALongStoredName",
         P + "default-folder = \"$(BootDrive):\\\\" + repeat("f", 150) + "\\\\\"\n[[components]]\nname = \"C\"\n"
             "files = [{ source = \"a.txt\", to = \"" + repeat("n", 106) + ".txt\" }]\n",
         "3: product.default-folder: is 154 characters once expanded; with \"" + repeat("n", 106) + ".txt\" (110)"},
        {"DefaultFolderADriveRoot", P + "default-folder = \"$(BootDrive):\\\\\"\n",
         "3: product.default-folder: \"$(BootDrive):\\\" is the root of a drive or share, which the setup program refuses"},
        {"DefaultFolderAShareRoot", P + "default-folder = \"\\\\\\\\server\\\\share\"\n",
         "3: product.default-folder: \"\\\\server\\share\" is the root of a drive or share"},
        {"CodePageWithoutAscii", "code-page = 1026\n" + P, "1: code-page: code page 1026 does not keep ASCII characters"},
        // Variables.
        {"UnknownVariable", "[product]\nname = \"${NAME} Setup\"\n", "2: product.name: unknown variable \"${NAME}\""},
        {"VariableWithoutItsBrace", "[product]\nname = \"${NAME\"\n", "2: product.name: \"${\" without its \"}\""},
        {"VariableNotAText", P + "[variables]\nversion = 1\n", "4: variables.version: must be a text"},
        {"VariableWithABadName", P + "[variables]\n\"1st\" = \"x\"\n", "4: variables.1st: a variable name is"},
    };
}

void PrintTo(const BadDescription& bad, std::ostream* out) { *out << bad.name; }

class BadDescriptionTest : public ::testing::TestWithParam<BadDescription> {};

TEST_P(BadDescriptionTest, NamesFileLineAndField) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("i.ico", mkpackage::makeIconFile(0x123456));
    ws.write("product.toml", GetParam().toml);
    try {
        mkpackage::readDescription(ws.descriptionPath());
        FAIL() << "no error";
    } catch (const mkpackage::InputError& e) {
        const std::string message = e.what();
        const std::string prefix = ws.descriptionPath().string() + ":";
        ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
        EXPECT_NE(message.find(GetParam().expected, prefix.size()), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Description, BadDescriptionTest, ::testing::ValuesIn(badDescriptions()),
                         [](const auto& info) { return std::string(info.param.name); });

// Symbolic links inside a folder source: a link to a file inside the folder
// is stored under its own name; every other link, and anything that is not a
// file, is refused by name.
TEST(Description, LinksInsideAFolderSource) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void(const Workspace&)> make;  // adds to tree/
        std::string expected;                        // empty: accepted
    };
    const std::vector<Case> cases = {
        {"LinkToAFileInside", [](const Workspace& ws) { fs::create_symlink("../a.txt", ws.path("tree/sub/link.txt")); }, ""},
        {"LinkOutside", [](const Workspace& ws) { fs::create_symlink(ws.path("outside.txt"), ws.path("tree/out.txt")); },
         "\"out.txt\" is a symbolic link to \"" + fs::canonical(fs::temp_directory_path()).string()},
        {"LinkToAFolder", [](const Workspace& ws) { fs::create_directory_symlink("sub", ws.path("tree/dir")); },
         "\"dir\" is a symbolic link to a folder"},
        {"LinkUpToTheFolderItself", [](const Workspace& ws) { fs::create_directory_symlink("..", ws.path("tree/sub/up")); },
         "\"sub/up\" is a symbolic link to a folder"},
        {"DanglingLink", [](const Workspace& ws) { fs::create_symlink("gone.txt", ws.path("tree/gone")); },
         "\"gone\" is a symbolic link to nothing"},
        {"LoopOfLinks",
         [](const Workspace& ws) {
             fs::create_symlink("loop2", ws.path("tree/loop1"));
             fs::create_symlink("loop1", ws.path("tree/loop2"));
         },
         "\"loop1\" is a symbolic link that loops"},
        {"Pipe", [](const Workspace& ws) { ASSERT_EQ(::mkfifo(ws.path("tree/pipe").c_str(), 0600), 0); },
         "\"pipe\" is a device, a pipe or a socket, not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace ws;
        ws.write("outside.txt", "o");
        ws.write("tree/a.txt", "a");
        ws.write("tree/sub/b.txt", "b");
        c.make(ws);
        ws.write("product.toml", P + "[[components]]\nname = \"C\"\nfiles = [{ folder = \"tree\" }]\n");
        try {
            const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
            ASSERT_EQ(c.expected, "");
            std::vector<std::string> names;
            for (const mkpackage::SourceFile& f : d.components[0].files) names.push_back(f.storedName);
            EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub\\b.txt", "sub\\link.txt"}));
            EXPECT_EQ(d.components[0].files[2].size, 1u);  // the content of the file it names
        } catch (const mkpackage::InputError& e) {
            ASSERT_NE(c.expected, "") << e.what();
            EXPECT_NE(std::string(e.what()).find("5: components[0].files[0].folder: \"tree\": " + c.expected),
                      std::string::npos)
                << e.what();
        }
    }
}

TEST(Description, FoldedNames) {
    EXPECT_EQ(mkpackage::foldedName("abz AZ 09"), "ABZ AZ 09");
    // à..þ fold onto À..Þ, except ÷ (and ×), which are no letters; ß has no partner.
    EXPECT_EQ(mkpackage::foldedName("\u00e0\u00fe\u00f7\u00d7\u00df"), "\u00c0\u00de\u00f7\u00d7\u00df");
    EXPECT_EQ(mkpackage::foldedName("\u00ff\u0161\u0153\u017e"), "\u0178\u0160\u0152\u017d");
    EXPECT_EQ(mkpackage::foldedName("\u0436\u20ac"), "\u0436\u20ac");  // Cyrillic and the euro sign stay
}

TEST(Description, RecordLargerThanTheAreaIsRefused) {
    Workspace ws;
    ws.write("big.bmp", mkpackage::makeBitmapFile(500, 500, 0, 0xFFFFFF));  // 750 KB
    ws.write("product.toml", P + "[[pictures]]\nname = \"big\"\nfile = \"big.bmp\"\n");
    const mkpackage::Description description = mkpackage::readDescription(ws.descriptionPath());
    try {
        ws.build("[[pictures]]\nname = \"big\"\nfile = \"big.bmp\"\n");
        FAIL() << "no error";
    } catch (const mkpackage::InputError& e) {
        EXPECT_NE(std::string(e.what()).find(": record: the configuration record needs"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(ws.path("setup.exe")));
}

TEST(Description, DefaultsAndOptions) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", P + components(3) +
                                 "[options]\nflags = [\"uninstall-entry\", \"desktop-shortcuts\"]\n"
                                 "preset-3 = 5\ndirectx-components = [\"C1\"]\ntext-alignment = \"right\"\n"
                                 "[texts]\ntitleWizard = \"Caf\\u00e9 \\u20ac\"  # \xC3\x9C in a comment\n"
                                 "msgCanceled = \"\"\"\xC3\x9C\\\n  ber \"\"\\\"\xC3\xA9\"\"\"\"\n");
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
    EXPECT_EQ(d.settings.flags, fmt::kFlagUninstallEntry | fmt::kFlagDesktopShortcuts);
    EXPECT_EQ(d.settings.defaultSelection, 7u);
    EXPECT_EQ(d.settings.selectionPreset1, 1u);
    EXPECT_EQ(d.settings.selectionPreset3, 5u);
    EXPECT_EQ(d.settings.directXComponentMask, 2u);
    EXPECT_EQ(d.settings.directXPageIndex, -1);
    EXPECT_EQ(d.settings.textAlignment, 2u);
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, titleWizard) / 4], "Caf\xE9 \x80");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, msgCanceled) / 4], "\xDC" "ber \"\"\"\xE9\"");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, productVersion) / 4], "1.00h");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, uninstallerName) / 4], "UnInst.exe");
    EXPECT_EQ(d.uninstallTexts[1], "Lock_P");
    // A product always has a folder and a log name to install with.
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, defaultInstallDir) / 4], "$(BootDrive):\\Program Files\\P\\");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, uninstallLogName) / 4], "InstallLog");
}

}  // namespace
}  // namespace testing_mkpackage

namespace testing_mkpackage {
namespace {

// Every defect of a description is reported, one line each, up to 20.
TEST(Description, ReportsEveryDefect) {
    Workspace ws;
    ws.write("product.toml", "[product]\nname = \"P\"\nlog-name = \"\"\nvendor = 1\n[texts]\ntitleWizard = \"\\u03A9\"\n"
                             "[[components]]\nname = \"C\"\nfiles = [\"missing.txt\", \"a?.txt\"]\n[options]\nflags = [\"x\"]\n");
    try {
        mkpackage::readDescription(ws.descriptionPath());
        FAIL() << "no error";
    } catch (const mkpackage::InputError& e) {
        const std::string message = e.what();
        for (const char* expected : {":3: product.log-name: is empty", ":4: product.vendor: unknown key",
                                     ":6: texts.titleWizard: character U+03A9", ":9: components[0].files[0]: \"",
                                     ":9: components[0].files[1]: stored name \"a?.txt\"", ":11: options.flags: unknown flag"}) {
            EXPECT_NE(message.find(expected), std::string::npos) << expected << "\n" << message;
        }
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 5) << message;
    }
    ws.write("product.toml", P + "[texts]\n" +
                                 [] {
                                     std::string many;
                                     for (int i = 0; i < 30; ++i) many += "nope" + std::to_string(i) + " = \"x\"\n";
                                     return many;
                                 }());
    try {
        mkpackage::readDescription(ws.descriptionPath());
        FAIL() << "no error";
    } catch (const mkpackage::InputError& e) {
        const std::string message = e.what();
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 20) << message;
        EXPECT_NE(message.find("more defects follow; the first 20 are shown"), std::string::npos) << message;
    }
}

// A defect is reported once, where it is: not again at each place that
// refers to what it spoiled.
TEST(Description, DefectsAreReportedAtTheirCauseNotAtTheirEchoes) {
    struct Case {
        const char* name;
        std::string toml;
        std::vector<std::string> expected;  // every line of the message
    };
    const std::vector<Case> cases = {
        {"TypoInAComponent",
         P + "[options]\npreset-1 = [\"Extras\"]\n[[components]]\nname = \"Extras\"\nfile = [\"a.txt\"]\n",
         {":7: components[0].file: unknown key"}},
        {"PictureWhoseFileIsMissing",
         P + "[images]\nundoing = \"p\"\nupdating-system = \"p\"\n[[pictures]]\nname = \"p\"\nfile = \"nope.ico\"\n"
             "[[pages]]\nitems = [{ image = \"p\" }, { image = 0 }]\n",
         {":8: pictures[0].file: \"nope.ico\": file not found"}},
        {"VariableTheCodePageCannotHold",
         "[variables]\nn = \"A\u4E00\"\n[product]\nname = \"${n}\"\n[texts]\ntitlePrompt = \"${n}\"\n",
         {":2: variables.n: character U+4E00 has no place in code page 1252"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace ws;
        ws.write("a.txt", "a");
        ws.write("product.toml", c.toml);
        try {
            mkpackage::readDescription(ws.descriptionPath());
            ADD_FAILURE() << "no error";
        } catch (const mkpackage::InputError& e) {
            const std::string message = e.what();
            for (const std::string& expected : c.expected) EXPECT_NE(message.find(expected), std::string::npos) << message;
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n') + 1, static_cast<long>(c.expected.size())) << message;
        }
    }
}

// A UTF-8 byte-order mark, as editors on Windows write it, is no part of the text.
TEST(Description, ByteOrderMarkIsAccepted) {
    Workspace ws;
    ws.write("product.toml", "\xEF\xBB\xBF" + P + "version = \"2\"\n");
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
    EXPECT_EQ(d.texts[0], "P");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, productVersion) / 4], "2");
}

TEST(Description, VariablesFillAnyText) {
    Workspace ws;
    ws.write("a-2.0.txt", "a");
    ws.write("product.toml", "[variables]\nname = \"Writer\"\nversion = \"1.0\"\n"
                             "[product]\nname = \"${name}\"\nversion = \"${version}\"\nregistry-key = \"Software\\\\${name}\"\n"
                             "[texts]\ntitleWizard = \"${name} ${version} Setup, $${kept}\"\n"
                             "[[components]]\nname = \"${name}\"\nfiles = [{ source = \"a-${version}.txt\", to = \"${name}.txt\" }]\n");
    mkpackage::DescriptionOptions options;
    options.variables["version"] = "2.0";  // the command line wins
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath(), options);
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, productVersion) / 4], "2.0");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, registryKey) / 4], "Software\\Writer");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, titleWizard) / 4], "Writer 2.0 Setup, ${kept}");
    EXPECT_EQ(d.components[0].name, "Writer");
    EXPECT_EQ(d.components[0].files[0].storedName, "Writer.txt");
}

// Each warning, table-driven: the description body after [product] name
// and folder, the version replaced, and what the warnings say (empty: none).
struct WarningCase {
    const char* name;
    std::string body;
    std::string previousVersion;
    std::vector<std::string> expected;
};

// Every text a plain product shows, given.
const std::string kShownTexts =
    "registry-key = \"Software\\\\T\"\n[texts]\nmsgConfirmInstall = \"i\"\nmsgConfirmUpgrade = \"u\"\n"
    "msgConfirmReinstall = \"r\"\nmsgNewerInstalled = \"n\"\ntextRemovingPrevious = \"p\"\nmsgDoneFolder = \"f %s\"\n"
    "titlePrompt = \"t\"\ntitleError = \"e\"\ntitleMessage = \"m\"\nmsgConfirmQuit = \"q\"\nmsgCanceled = \"c\"\n"
    "progressTitle = \"g\"\n";
const std::string kComponent = "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n";

std::vector<WarningCase> warningCases() {
    const std::string shortcut = "[[components.actions]]\ntype = \"desktop-shortcut\"\nname = \"S\"\nprogram = ";
    return {
        {"NoneForAProductThatShowsEveryText", kShownTexts + kComponent, "", {}},
        // Name, version and a component: every text the installer shows is made from the name.
        {"NoneForTextsMadeFromTheName", "version = \"1.0\"\n" + kComponent, "", {}},
        {"TextsLeftEmptyOnPurpose",
         "registry-key = \"\"\n[texts]\nmsgConfirmInstall = \"\"\ntitlePrompt = \"\"\ntitleError = \"\"\n"
         "titleMessage = \"\"\nmsgDoneFolder = \"\"\n",
         "",
         {"5: warning: texts.msgConfirmInstall: is empty, and the setup program shows it as the install question",
          "texts.titlePrompt: is empty", "texts.titleError: is empty", "texts.titleMessage: is empty",
          "texts.msgDoneFolder: is empty", "3: warning: product.registry-key: is empty"}},
        {"CompletionTextTheFlagsChoose",
         kShownTexts + "msgDoneDesktop = \"\"\n[options]\nflags = [\"desktop-shortcuts\"]\n" + kComponent, "",
         {"texts.msgDoneDesktop: is empty, and the setup program shows it as the completion message (desktop"}},
        {"CompletionTextsACheckBoxReaches",
         kShownTexts + "titleWizard = \"w\"\nmsgDoneStartMenu = \"\"\n" + kComponent +
             "[[pages]]\nitems = [{ start-menu-checkbox = \"s\" }]\n",
         "", {"texts.msgDoneStartMenu: is empty"}},
        {"ShortcutToAFileOfNoComponent", kShownTexts + kComponent + shortcut + "\"b.exe\"\n", "",
         {"components[0].actions[0].program: \"b.exe\" is no stored file of any component"}},
        {"ShortcutToAFileOfAnotherComponent",
         kShownTexts + kComponent + shortcut + "\"b.txt\"\n[[components]]\nname = \"D\"\nfiles = [\"b.txt\"]\n", "",
         {"\"b.txt\" is stored by component \"D\", not by \"C\""}},
        {"UnknownMacroInAnExpandedText",
         kShownTexts + kComponent + "[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKCU\"\nkey = \"K\"\n"
                                    "data = \"$(InstallDir)\\\\x $$(kept) $(ExtrPath)\"\n",
         "", {"components[0].actions[0].data: \"$(InstallDir)\" is no macro the setup program knows"}},
        {"MacroInATextNeverExpanded", kShownTexts + kComponent + shortcut + "\"a.txt\"\narguments = \"$(ExtrPath)x\"\n", "",
         {"components[0].actions[0].arguments: \"$(ExtrPath)\" stays as written"}},
        {"UnknownMacroInTheDefaultFolder", kShownTexts + "defaultInstallDir = \"$(ProgramFiles)\\\\T\\\\\"\n" + kComponent, "",
         {"texts.defaultInstallDir: \"$(ProgramFiles)\" is no macro"}},
        {"UninstallEntryWithoutItsUninstaller",
         kShownTexts + "uninstallDisplayName = \"T\"\n[options]\nflags = [\"uninstall-entry\"]\n" + kComponent +
             "[uninstaller]\nbundle = false\n",
         "", {"options.flags: the uninstall entry or shortcut starts \"UnInst.exe\", which no component stores"}},
        {"EmptyComponent", kShownTexts + kComponent + "[[components]]\nname = \"Nothing\"\n", "",
         {"components[1]: component \"Nothing\" holds no files and no actions: selecting it installs nothing"}},
        {"SetupTypesSharingASelection",
         kShownTexts + "titleWizard = \"w\"\n[options]\ndefault-selection = [\"C\"]\npreset-1 = [\"C\"]\n" + kComponent +
             "[[components]]\nname = \"D\"\nfiles = [\"b.txt\"]\n[[pages]]\nitems = [{ preset-1-radio = \"1\" }, "
             "{ default-selection-radio = \"2\" }, { preset-3-radio = \"3\" }]\n",
         "", {"options.default-selection: selects the same components as preset-1: the wizard shows both setup-type "
              "buttons checked"}},
        // Without both buttons on a page, equal selections show nothing.
        {"SharedSelectionWithoutItsButtons",
         kShownTexts + "[options]\ndefault-selection = [\"C\"]\npreset-1 = [\"C\"]\n" + kComponent, "", {}},
        // Start-menu shortcuts win: with both flags, the desktop text is never shown.
        {"CompletionTextWithBothShortcutFlags",
         kShownTexts + "msgDoneStartMenu = \"s\"\nmsgDoneDesktop = \"\"\n[options]\nflags = [\"desktop-shortcuts\", \"start-menu-shortcuts\"]\n" +
             kComponent,
         "", {}},
        {"CompletionTextWithBothShortcutFlagsEmpty",
         kShownTexts + "msgDoneDesktop = \"d\"\nmsgDoneStartMenu = \"\"\n[options]\nflags = [\"desktop-shortcuts\", \"start-menu-shortcuts\"]\n" +
             kComponent,
         "", {"texts.msgDoneStartMenu: is empty"}},
        {"VersionTextOrderAgainstNumbers", "version = \"1.10\"\n" + kShownTexts + kComponent, "1.9",
         {"product.version: \"1.10\" is newer than \"1.9\" by its numbers, but the setup program compares versions as "
          "text (character by character, ignoring case), takes it for older than and refuses to install it over \"1.9\""}},
        {"VersionSameByNumbersOnly", "version = \"2.0\"\n" + kShownTexts + kComponent, "2.00", {"takes it for older than"}},
        {"VersionInAgreement", "version = \"1.10\"\n" + kShownTexts + kComponent, "1.09", {}},
        {"VersionDifferingInCaseOnly", "version = \"1.0B\"\n" + kShownTexts + kComponent, "1.0b", {}},
        // A version that is the other with more behind it is newer both ways.
        {"VersionLongerThanThePrevious", "version = \"1.0.1\"\n" + kShownTexts + kComponent, "1.0", {}},
        {"VersionShorterThanThePrevious", "version = \"1.0\"\n" + kShownTexts + kComponent, "1.0.1", {}},
    };
}

void PrintTo(const WarningCase& c, std::ostream* out) { *out << c.name; }

class DescriptionWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(DescriptionWarnings, SayWhatTheInstallerWillDo) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("b.txt", "b");
    ws.write("product.toml", "[product]\nname = \"T\"\n" + GetParam().body);
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
    std::string all;
    for (const mkpackage::Warning& w : mkpackage::findWarnings(d, GetParam().previousVersion)) {
        all += mkpackage::formatWarning(d, w) + "\n";
    }
    if (GetParam().expected.empty()) {
        EXPECT_EQ(all, "");
    }
    for (const std::string& expected : GetParam().expected) EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
}

INSTANTIATE_TEST_SUITE_P(Description, DescriptionWarnings, ::testing::ValuesIn(warningCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The example of docs/description.md builds as it stands, without warnings,
// once the files it names exist.
TEST(Description, DocumentedExampleBuilds) {
    const std::string doc(std::istreambuf_iterator<char>(std::ifstream(DOCS_DESCRIPTION).rdbuf()), {});
    const std::size_t start = doc.find("```toml\n");
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = doc.find("```\n", start + 8);
    ASSERT_NE(end, std::string::npos);
    Workspace ws;
    for (const char* file : {"bin/writer.exe", "help/index.txt", "help/topics/start.txt", "docs/changes.txt", "docs/readme.txt"})
        ws.write(file, std::string("contents of ") + file);
    ws.write("pictures/welcome.bmp", mkpackage::makeBitmapFile(120, 224, 0x1F3A93, 0x6FA8DC));
    ws.write("pictures/progress.avi", mkpackage::makeAnimationFile(32, 8));
    for (const char* icon : {"info", "undo", "remove", "replace", "setup"}) ws.write(std::string("pictures/") + icon + ".ico", mkpackage::makeIconFile(0x2060C0));
    ws.write("uninstall.exe", makeProgramImage());
    ws.write("product.toml", doc.substr(start + 8, end - start - 8));
    mkpackage::DescriptionOptions options;
    options.variables["version"] = "1.01";
    mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath(), options);
    mkpackage::addBundledUninstaller(d, ws.path("uninstall.exe"));
    // The example's translation is short on purpose: what it leaves to the
    // first language depends on the builder's own texts of that language.
    for (const mkpackage::Warning& w : mkpackage::findWarnings(d, "1.00"))
        if (w.field.rfind("translations.", 0) != 0) ADD_FAILURE() << mkpackage::formatWarning(d, w);
    ASSERT_EQ(d.translations.size(), 1u);
    mkpackage::writeInstaller(d, ws.path("stub.exe"), ws.path("setup.exe"));
    EXPECT_TRUE(fmt::verifyPackageFile(ws.path("setup.exe").string()).defect.empty());
}

// With SOURCE_DATE_EPOCH set, no stored time is later than it: checkouts
// at different times give the same bytes; an older file keeps its time.
TEST(Description, SourceDateEpochClampsFileTimes) {
    namespace fs = std::filesystem;
    Workspace ws;
    ws.write("old.txt", "o");
    fs::last_write_time(ws.path("old.txt"), fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 30));
    const std::string body = "[[components]]\nname = \"C\"\nfiles = [\"a.txt\", \"old.txt\"]\n";
    ::setenv("SOURCE_DATE_EPOCH", "1000000000", 1);  // 2001-09-09
    ws.write("a.txt", "a");
    const Bytes first = readFile(ws.build(body, "one.exe"));
    fs::last_write_time(ws.path("a.txt"), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const Bytes second = readFile(ws.build(body, "two.exe"));
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
    ::setenv("SOURCE_DATE_EPOCH", "soon", 1);
    EXPECT_THROW(mkpackage::readDescription(ws.descriptionPath()), mkpackage::InputError);
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(first, second);
    EXPECT_EQ(d.components[0].files[0].fileTime.high, mkpackage::fileTimeFromUnix(1000000000, 0).high);
    EXPECT_EQ(d.components[0].files[0].fileTime.low, mkpackage::fileTimeFromUnix(1000000000, 0).low);
    EXPECT_LT(d.components[0].files[1].fileTime.high, d.components[0].files[0].fileTime.high);
}

// A starter product's name decides its code page; a name no one code page
// holds is refused, saying where each character is.
TEST(Description, StarterProductTakesTheCodePageOfItsName) {
    EXPECT_EQ(mkpackage::starterCodePage("Caf\u00e9"), 1252u);
    EXPECT_EQ(mkpackage::starterCodePage("\u0416\u0443\u043a"), 1251u);
    EXPECT_EQ(mkpackage::starterCodePage("\u0141\u00f3d\u017a"), 1250u);
    try {
        mkpackage::starterCodePage("\u0416 \u03a9");
        FAIL() << "no error";
    } catch (const mkpackage::InputError& e) {
        EXPECT_NE(std::string(e.what()).find("(\"\u0416\" in 1251, \"\u03a9\" in 1253)"), std::string::npos) << e.what();
    }
    Workspace ws;
    EXPECT_EQ(mkpackage::writeStarterProduct(ws.path("starter"), "\u0416\u0443\u043a"), 1251u);
    const mkpackage::Description d = mkpackage::readDescription(ws.path("starter/product.toml"));
    EXPECT_EQ(d.texts[0], "\xC6\xF3\xEA");
}

}  // namespace
}  // namespace testing_mkpackage
