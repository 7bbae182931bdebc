// What the builder writes for the tools that deploy and list software: the
// package's extra texts (and nothing where a description gives none), the
// version resource and icon in the program image, and the texts made from
// the product's name.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "build/package_writer.h"
#include "build_helpers.h"
#include "common/input_error.h"
#include "description/description_reader.h"
#include "description/description_warnings.h"
#include "format/extension_writer.h"
#include "format/text_slots.h"
#include "image/pe_image.h"
#include "inspect/image_description.h"
#include "sources/placeholder_media.h"
#include "text/sha256.h"

namespace testing_mkpackage {
namespace {

namespace fs = std::filesystem;

// A product that gives every text, built before the extension table
// existed: its package (everything behind the program image) had these bytes.
const char kGoldenDescription[] = R"([product]
name = "Golden"
version = "2.5"
registry-key = "Software\\Golden"
default-folder = "C:\\Golden\\"

[texts]
textRemovingPrevious = "Removing the previous Golden..."
msgLogNotFound = "No log %s"
msgLogCorrupt = "Bad log %s"
msgLowDiskSpace = "Low space. Go on?"
msgConfirmInstall = "Install Golden?"
msgConfirmUpgrade = "Upgrade Golden?"
msgConfirmReinstall = "Reinstall Golden?"
msgNewerInstalled = "Newer Golden installed."
msgConfirmQuit = "Quit?"
msgCanceled = "Cancelled."
uninstallDisplayName = "Golden"
uninstallShortcutName = "Golden\\Remove Golden"
progressTitle = "Installing Golden"
titlePrompt = "Golden Setup"
titleError = "Golden Setup Error"
titleMessage = "Golden Setup"
titleWizard = "Golden Setup"
msgDoneStartMenu = "Done (start menu)."
msgDoneDesktop = "Done (desktop)."
msgDoneFolder = "Done in %s"
msgDoneReboot = "Restart?"
dxMsgFailed = "DirectX failed: %s. Go on?"

[options]
flags = ["desktop-shortcuts", "uninstall-entry"]

[[components]]
name = "Main"
files = ["a.txt", "b.txt"]

[[components.actions]]
type = "desktop-shortcut"
program = "a.txt"
name = "Golden"

[[pages]]
items = [{ text = "Welcome" }, { destination-group = true }]

[uninstaller]
bundle = false
)";
constexpr std::uint64_t kGoldenPackageSize = 2696;
const char kGoldenPackageSha256[] = "2354b442e2feda75901d27159467497c35fffa84a95d749a73b8b9de4eecfeef";

// Writes the golden product's files with their stored time and builds it
// with `extra` behind its name.
fs::path buildGolden(Workspace& ws, const std::string& extra, const std::string& output) {
    std::string repeated;
    for (int i = 0; i < 1000; ++i) repeated += "alpha ";
    ws.write("a.txt", repeated);
    repeated.clear();
    for (int i = 0; i < 3000; ++i) repeated += "beta gamma ";
    ws.write("b.txt", repeated);
    const auto time = fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(981173106)));
    for (const char* file : {"a.txt", "b.txt"}) fs::last_write_time(ws.path(file), time);
    std::string description = kGoldenDescription;
    description.insert(description.find("registry-key"), extra);
    ws.write("product.toml", description);
    mkpackage::writeInstaller(mkpackage::readDescription(ws.descriptionPath()), ws.path("stub.exe"), ws.path(output));
    return ws.path(output);
}

Bytes packageOf(const fs::path& installer, const fmt::PackageReport& report) {
    const Bytes file = readFile(installer);
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(report.packageStart), file.end());
}

TEST(Deployment, APackageWithoutTheNewFieldsIsWhatItWas) {
    Workspace ws;
    const fs::path plain = buildGolden(ws, "", "plain.exe");
    const fmt::PackageReport report = fmt::verifyPackageFile(plain.string());
    ASSERT_EQ(report.defect, "");
    EXPECT_EQ(report.settings.extensionTable, 0u);
    EXPECT_TRUE(report.extensions.empty());
    const Bytes package = packageOf(plain, report);
    mkpackage::Sha256 hash;
    hash.add(package.data(), package.size());
    EXPECT_EQ(package.size(), kGoldenPackageSize);
    EXPECT_EQ(hash.hexDigest(), kGoldenPackageSha256);

    // With them, the table lies between the stored files and the block, the
    // settings name it, and nothing else moves.
    const fs::path full = buildGolden(
        ws, "publisher = \"Golden Works\"\ndisplay-version = \"2.5.0\"\nabout-url = \"https://example.com/\"\n"
            "contact = \"Desk\"\ncomments = \"A golden product\"\ndisplay-icon = \"a.txt\"\nhelp-url = \"mailto:help\"\n"
            "copyright = \"(c) Golden Works\"\n",
        "full.exe");
    const fmt::PackageReport extended = fmt::verifyPackageFile(full.string());
    ASSERT_EQ(extended.defect, "");
    ASSERT_EQ(extended.extensions.size(), 1u);
    EXPECT_EQ(extended.extensions[0].tag, fmt::kExtensionExtraTexts);
    EXPECT_EQ(extended.settings.extensionTable, report.header.configOffset);
    EXPECT_EQ(extended.extensions[0].data,
              fmt::writeExtraTexts({{fmt::kExtraTextPublisher, "Golden Works"},
                                    {fmt::kExtraTextDisplayVersion, "2.5.0"},
                                    {fmt::kExtraTextAboutUrl, "https://example.com/"},
                                    {fmt::kExtraTextHelpUrl, "mailto:help"},
                                    {fmt::kExtraTextContact, "Desk"},
                                    {fmt::kExtraTextComments, "A golden product"},
                                    {fmt::kExtraTextDisplayIcon, "a.txt"}}));
    const Bytes extendedPackage = packageOf(full, extended);
    EXPECT_EQ(Bytes(extendedPackage.begin() + 28, extendedPackage.begin() + report.header.configOffset),
              Bytes(package.begin() + 28, package.begin() + report.header.configOffset));
    Bytes record = extended.record;
    std::fill_n(record.begin() + offsetof(fmt::SetupConfig, settings) + offsetof(fmt::ScalarSettings, extensionTable), 4, 0);
    EXPECT_EQ(record, report.record);
}

TEST(Deployment, VersionResourceAndIconInTheImage) {
    Workspace ws;
    ImageShape shape;
    shape.relocations = true;
    ws.write("stub.exe", makeProgramImage(shape));
    ws.write("setup.ico", mkpackage::makeIconFile(0x3366AA));
    const std::string fields = "version = \"2.10.3b\"\ndisplay-version = \"2.10\"\npublisher = \"Example Works\"\n"
                               "copyright = \"\xC2\xA9 2026 Example Works\"\ninstaller-icon = \"setup.ico\"\n";
    const fs::path one = ws.build(fields, "one.exe");
    const fs::path two = ws.build(fields, "two.exe");
    EXPECT_EQ(readFile(one), readFile(two));
    const fmt::PackageReport report = fmt::verifyPackageFile(one.string());
    ASSERT_EQ(report.defect, "");

    const mkpackage::ImageDescription image = mkpackage::describeProgramImage(one, report.packageStart);
    ASSERT_EQ(image.problem, "");
    ASSERT_TRUE(image.hasVersion);
    EXPECT_EQ(mkpackage::versionText(image.version.fileVersion), "2.10.3.0");
    EXPECT_EQ(mkpackage::versionText(image.version.productVersion), "2.10.0.0");
    EXPECT_EQ(image.version.strings, (std::vector<std::pair<std::string, std::string>>{
                                         {"CompanyName", "Example Works"},
                                         {"FileDescription", "Test Product Setup"},
                                         {"FileVersion", "2.10.3b"},
                                         {"LegalCopyright", "\xC2\xA9 2026 Example Works"},
                                         {"ProductName", "Test Product"},
                                         {"ProductVersion", "2.10"},
                                     }));
    ASSERT_TRUE(image.hasIcon);
    EXPECT_EQ(image.iconGroup, 20u);
    mkpackage::IconFile icon;
    std::string problem;
    ASSERT_TRUE(mkpackage::parseIconFile(mkpackage::makeIconFile(0x3366AA), icon, problem));
    ASSERT_EQ(image.icon.size(), icon.images.size());
    for (std::size_t i = 0; i < icon.images.size(); ++i) {
        EXPECT_EQ(image.icon[i].width, icon.images[i].width);
        EXPECT_EQ(image.icon[i].size, icon.images[i].data.size());
    }

    // The relocations moved behind the grown resources, whole, and the
    // headers follow: directory entries, image size, checksum.
    Bytes installer = readFile(one);
    installer.resize(report.packageStart);
    mkpackage::PeImage pe;
    ASSERT_TRUE(mkpackage::readPeImage(installer, pe, problem)) << problem;
    ASSERT_EQ(pe.sections.size(), 2u);
    const mkpackage::PeSection& reloc = pe.sections[1];
    EXPECT_GT(reloc.virtualAddress, 0x2000u);
    EXPECT_EQ(reloc.virtualAddress % 0x1000, 0u);
    std::uint32_t relocationRva, imageSize, checksum, page;
    std::memcpy(&relocationRva, installer.data() + pe.optionalHeader + 96 + 40, 4);
    std::memcpy(&imageSize, installer.data() + pe.optionalHeader + 56, 4);
    std::memcpy(&checksum, installer.data() + pe.optionalHeader + 64, 4);
    std::memcpy(&page, installer.data() + reloc.rawOffset, 4);
    EXPECT_EQ(relocationRva, reloc.virtualAddress);
    EXPECT_EQ(imageSize, reloc.virtualAddress + 0x1000);
    EXPECT_EQ(page, 0x1000u);
    EXPECT_EQ(checksum, 0u);  // the stub had none: none is made up
}

// Images whose resources cannot be rewritten without breaking them are
// refused, naming why.
TEST(Deployment, ImagesTheBuilderCannotRewriteAreRefused) {
    ImageShape shape;
    shape.relocations = true;
    const Bytes sound = makeProgramImage(shape);
    const std::size_t optional = 0x58;
    const auto with = [&](std::size_t at, std::uint32_t value) {
        Bytes image = sound;
        std::memcpy(image.data() + at, &value, 4);
        return image;
    };
    const struct {
        const char* name;
        Bytes image;
        const char* expected;
    } cases[] = {
        {"UnknownSectionBehind", with(optional + 96 + 40, 0), "has a section other than the base relocations behind its resources"},
        {"ResourcesInsideASection", with(optional + 96 + 16, 0x1004), "has resources that do not begin a section of their own"},
        {"OddFileAlignment", with(optional + 36, 0x300), "has a section or file alignment that is no power of two"},
        {"SectionBeyondTheEnd", with(optional + 224 + 40 + 16, 0x10000), "has sections whose data overlap or run past its end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace ws;
        ws.write("stub.exe", c.image);
        try {
            ws.build("");
            ADD_FAILURE() << "accepted";
        } catch (const mkpackage::InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(ws.path("setup.exe")));
    }
}

TEST(Deployment, VersionNumbersFromVersionTexts) {
    const struct {
        const char* text;
        const char* numbers;
    } cases[] = {{"1.00h", "1.0.0.0"}, {"2.5.1", "2.5.1.0"}, {"1.2.3.4.5", "1.2.3.4"}, {"v1.0", "0.0.0.0"},
                 {"70000.1", "65535.1.0.0"}, {"", "0.0.0.0"}, {"3.", "3.0.0.0"}};
    for (const auto& c : cases) {
        std::uint16_t numbers[4];
        mkpackage::versionNumbers(c.text, numbers);
        EXPECT_EQ(mkpackage::versionText(numbers), c.numbers) << c.text;
    }
}

// The deployment fields' own defects, reported as every defect is.
TEST(Deployment, FieldsThatCannotBeUsedAreDefects) {
    const struct {
        const char* name;
        std::string fields;
        std::string expected;
    } cases[] = {
        {"IconOfNoComponent", "display-icon = \"b.exe\"\n",
         "product.display-icon: \"b.exe\" is no stored file of any component"},
        {"IconNoStoredName", "display-icon = \"..\\\\a.txt\"\n", "product.display-icon: \"..\\a.txt\" cannot be a stored file"},
        {"PublisherTooLong", "publisher = \"" + std::string(512, 'p') + "\"\n", "product.publisher: text is 512 bytes"},
        {"InstallerIconNoIcon", "installer-icon = \"a.txt\"\n", "product.installer-icon: \"a.txt\" is not an icon file"},
        {"InstallerIconMissing", "installer-icon = \"none.ico\"\n", "product.installer-icon: \"none.ico\" is not a file"},
        {"MistypedKey", "publsher = \"x\"\n", "product.publsher: unknown key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace ws;
        ws.write("a.txt", "a");
        ws.write("product.toml", std::string(kProduct) + c.fields + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
        try {
            mkpackage::readDescription(ws.descriptionPath());
            ADD_FAILURE() << "accepted";
        } catch (const mkpackage::InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    // The uninstaller the build adds may be the icon.
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string(kProduct) + "display-icon = \"UnInst.exe\"\n[options]\nflags = [\"uninstall-entry\"]\n"
                                                     "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    EXPECT_NO_THROW(mkpackage::readDescription(ws.descriptionPath()));
}

TEST(Deployment, TextsMadeFromTheName) {
    const struct {
        const char* name;
        const char* slot;
        const char* expected;
    } cases[] = {
        {"Example", "titleError", "Example Setup Error"},
        {"Example", "registryKey", "Software\\Example"},
        {"Example", "uninstallShortcutName", "Example\\UnInstall Example"},
        // A formatted text keeps a percent sign of the name as one.
        {"100% Pure", "msgDoneFolder", "100%% Pure has been installed in\n%s"},
        {"100% Pure", "titlePrompt", "100% Pure Setup"},
        // A name no shortcut file may carry leaves the shortcut's name empty.
        {"What?", "uninstallShortcutName", ""},
        {"What?", "uninstallDisplayName", "What?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.slot);
        Workspace ws;
        ws.write("a.txt", "a");
        ws.write("product.toml", std::string("[product]\nname = \"") + c.name +
                                     "\"\nversion = \"1.0\"\n[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
        const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
        EXPECT_EQ(d.texts[fmt::findTextSlot(c.slot)->offset / 4], c.expected);
    }
    // Name, version and a component: nothing to warn of, and the starter
    // product leaves its texts to the defaults too.
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", "[product]\nname = \"Minimal\"\nversion = \"1.0\"\n[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    const mkpackage::Description minimal = mkpackage::readDescription(ws.descriptionPath());
    for (const mkpackage::Warning& w : mkpackage::findWarnings(minimal)) ADD_FAILURE() << mkpackage::formatWarning(minimal, w);
}

}  // namespace
}  // namespace testing_mkpackage
