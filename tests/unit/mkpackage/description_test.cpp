// Every defect of a description ends in one message "file:line: field: what".
#include <gtest/gtest.h>

#include "build_helpers.h"
#include "description.h"
#include "input_error.h"
#include "placeholder_media.h"

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
        {"EmptyDefaultFolder", P + "default-folder = \"\"\n", "3: product.default-folder: is empty"},
        {"EmptyLogName", P + "log-name = \"\"\n", "3: product.log-name: is empty"},
        {"FormatWithTooManyConversions", P + "[texts]\nmsgDoneFolder = \"%s in %s\"\n",
         "4: texts.msgDoneFolder: has more than 1 conversion"},
        {"FormatWithWrongConversion", P + "[texts]\nerrCreateFile = \"%s: %d\"\n",
         "4: texts.errCreateFile: conversion 2 must be \"%s\""},
        {"FormatWithUnknownConversion", P + "[texts]\nprogressFileFormat = \"%x\"\n",
         "4: texts.progressFileFormat: has \"%x\""},
        {"FormatTakingNoArguments", P + "[texts]\nerrCrc = \"CRC %s\"\n",
         "4: texts.errCrc: takes no \"%\" conversions"},
        {"UninstallerBundleNotABoolean", P + "[uninstaller]\nbundle = \"no\"\n",
         "4: uninstaller.bundle: must be true or false"},
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
                                 "[texts]\ntitleWizard = \"Caf\\u00e9 \\u20ac\"\n");
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
    EXPECT_EQ(d.settings.flags, fmt::kFlagUninstallEntry | fmt::kFlagDesktopShortcuts);
    EXPECT_EQ(d.settings.defaultSelection, 7u);
    EXPECT_EQ(d.settings.selectionPreset1, 1u);
    EXPECT_EQ(d.settings.selectionPreset3, 5u);
    EXPECT_EQ(d.settings.directXComponentMask, 2u);
    EXPECT_EQ(d.settings.directXPageIndex, -1);
    EXPECT_EQ(d.settings.textAlignment, 2u);
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, titleWizard) / 4], "Caf\xE9 \x80");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, productVersion) / 4], "1.00h");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, uninstallerName) / 4], "UnInst.exe");
    EXPECT_EQ(d.uninstallTexts[1], "Lock_P");
    // A product always has a folder and a log name to install with.
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, defaultInstallDir) / 4], "$(BootDrive):\\Program Files\\P\\");
    EXPECT_EQ(d.texts[offsetof(fmt::TextSlots, uninstallLogName) / 4], "InstallLog");
}

}  // namespace
}  // namespace testing_mkpackage
