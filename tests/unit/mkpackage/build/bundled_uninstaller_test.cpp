// The project's uninstaller goes into a component of its own, installed with
// every selection, in a package that asks for the uninstall entry or
// shortcut, and only then.
#include <gtest/gtest.h>

#include <sstream>

#include "build/bundled_uninstaller.h"
#include "build/package_writer.h"
#include "build_helpers.h"
#include "common/input_error.h"
#include "description/description_reader.h"
#include "inspect/inspect_installer.h"

namespace testing_mkpackage {
namespace {

using mkpackage::UninstallerSource;

struct Case {
    const char* name;
    std::string body;             // after [product] name and folder
    UninstallerSource expected;
    // Afterwards: every component's stored names, and the always-installed mask.
    std::vector<std::vector<std::string>> components;
    fmt::u32 alwaysInstalled;
};

const std::string kTwoComponents =
    "[[components]]\nname = \"Main\"\nfiles = [\"a.txt\"]\n[[components]]\nname = \"More\"\nfiles = [\"b.txt\"]\n";

std::vector<Case> cases() {
    return {
        {"NoFlags", kTwoComponents, UninstallerSource::notAsked, {{"a.txt"}, {"b.txt"}}, 0},
        {"ShortcutsOnly", "[options]\nflags = [\"desktop-shortcuts\"]\n" + kTwoComponents,
         UninstallerSource::notAsked, {{"a.txt"}, {"b.txt"}}, 0},
        {"UninstallEntry", "[options]\nflags = [\"uninstall-entry\"]\npreset-1 = [\"More\"]\n" + kTwoComponents,
         UninstallerSource::bundled, {{"a.txt"}, {"b.txt"}, {"UnInst.exe"}}, 4},
        {"UninstallShortcutUnderItsOwnName",
         "uninstaller = \"Tools\\\\Remove.exe\"\n[options]\nflags = [\"uninstall-shortcut\"]\n" + kTwoComponents,
         UninstallerSource::bundled, {{"a.txt"}, {"b.txt"}, {"Tools\\Remove.exe"}}, 4},
        {"OptedOut", "[options]\nflags = [\"uninstall-entry\"]\n" + kTwoComponents + "[uninstaller]\nbundle = false\n",
         UninstallerSource::optedOut, {{"a.txt"}, {"b.txt"}}, 0},
        // The product's own file of that name, in any component and any case:
        // that component goes with every selection.
        {"ProductsOwn",
         "[options]\nflags = [\"uninstall-entry\"]\npreset-1 = [\"Main\"]\n[[components]]\nname = \"Main\"\n"
         "files = [\"a.txt\"]\n[[components]]\nname = \"More\"\nfiles = [{ source = \"b.txt\", to = \"uninst.EXE\" }]\n",
         UninstallerSource::productsOwn, {{"a.txt"}, {"uninst.EXE"}}, 2},
    };
}

class BundledUninstaller : public ::testing::TestWithParam<Case> {};

TEST_P(BundledUninstaller, GoesIntoAComponentEverySelectionTakes) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("b.txt", "b");
    ws.write("uninstall.exe", "MZ the uninstaller");
    mkpackage::Description description =
        mkpackage::parseDescription(std::string(kProduct) + GetParam().body, ws.descriptionPath());
    const fmt::ScalarSettings before = description.settings;
    EXPECT_EQ(mkpackage::addBundledUninstaller(description, ws.path("uninstall.exe")), GetParam().expected);
    std::vector<std::vector<std::string>> components;
    for (const mkpackage::ComponentSpec& component : description.components) {
        components.emplace_back();
        for (const mkpackage::SourceFile& file : component.files) components.back().push_back(file.storedName);
    }
    EXPECT_EQ(components, GetParam().components);
    const fmt::u32 always = GetParam().alwaysInstalled;
    EXPECT_EQ(description.alwaysInstalled, always);
    // Every selection the wizard offers takes the uninstaller's component too.
    EXPECT_EQ(description.settings.defaultSelection, before.defaultSelection | always);
    EXPECT_EQ(description.settings.selectionPreset1, before.selectionPreset1 | always);
    EXPECT_EQ(description.settings.selectionPreset3, before.selectionPreset3 | always);
}

INSTANTIATE_TEST_SUITE_P(Builder, BundledUninstaller, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BundledUninstallerRefusal, SaysWhatIsMissing) {
    Workspace ws;
    ws.write("a.txt", "a");
    struct Refusal {
        std::string body;
        const char* image;
        const char* message;
    };
    std::string many;
    for (int i = 0; i < 32; ++i) many += "[[components]]\nname = \"C" + std::to_string(i) + "\"\n";
    const Refusal refusals[] = {
        {"[options]\nflags = [\"uninstall-entry\"]\n", "uninstall.exe", ":1: product.uninstaller: the uninstall entry"},
        {"[options]\nflags = [\"uninstall-entry\"]\n" + many, "uninstall.exe",
         "components: the uninstaller takes a component of its own, and 32 components leave no room for it"},
        {"[options]\nflags = [\"uninstall-entry\"]\n[[components]]\nname = \"Uninstaller\"\nfiles = [\"a.txt\"]\n",
         "uninstall.exe", ":6: components: a component is named \"Uninstaller\""},
        {"[options]\nflags = [\"uninstall-entry\"]\ndirectx-components = [\"DX\"]\n[[components]]\nname = \"DX\"\n"
         "files = [{ source = \"a.txt\", to = \"UnInst.exe\" }]\n",
         "uninstall.exe", "\"UnInst.exe\" is stored by DirectX component \"DX\""},
        {"[options]\nflags = [\"uninstall-entry\"]\n[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n", "",
         "name one with --uninstaller"},
        {"[options]\nflags = [\"uninstall-entry\"]\n[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n",
         "missing.exe", "uninstaller \""},
    };
    ws.write("uninstall.exe", "MZ");
    for (const Refusal& refusal : refusals) {
        mkpackage::Description description =
            mkpackage::parseDescription(std::string(kProduct) + refusal.body, ws.descriptionPath());
        const std::filesystem::path image = refusal.image[0] != '\0' ? ws.path(refusal.image) : std::filesystem::path();
        try {
            mkpackage::addBundledUninstaller(description, image);
            ADD_FAILURE() << "no error for " << refusal.body;
        } catch (const mkpackage::InputError& e) {
            EXPECT_NE(std::string(e.what()).find(refusal.message), std::string::npos) << e.what();
        }
    }
}

// inspect names the stored uninstaller and the component every selection
// takes, or says that none is stored when the uninstall entry asks for one,
// in the listing and the JSON document.
TEST(BundledUninstallerListing, InspectShowsWhereItIs) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("uninstall.exe", "MZ the uninstaller");
    for (const bool bundle : {true, false}) {
        ws.write("product.toml", std::string(kProduct) + "[options]\nflags = [\"uninstall-entry\"]\n" +
                                     "[texts]\nmsgPreviousLeftovers = \"Stays:%s\"\n"
                                     "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n[uninstaller]\nbundle = " +
                                     (bundle ? "true" : "false") + "\n");
        mkpackage::Description description = mkpackage::readDescription(ws.descriptionPath());
        mkpackage::addBundledUninstaller(description, ws.path("uninstall.exe"));
        mkpackage::writeInstaller(description, ws.path("stub.exe"), ws.path("setup.exe"));
        std::ostringstream listing;
        EXPECT_TRUE(mkpackage::printInstallerReport(ws.path("setup.exe"), listing));
        const std::string expected = bundle ? "uninstaller: \"UnInst.exe\" in component 1, 18 bytes\n"
                                              "installed with every selection: component 1 \"Uninstaller\"\n"
                                            : "uninstaller: \"UnInst.exe\" is in no component";
        EXPECT_NE(listing.str().find(expected), std::string::npos) << listing.str();
        std::ostringstream json, errors;
        EXPECT_TRUE(mkpackage::inspectInstaller(ws.path("setup.exe"), true, json, errors));
        const std::string document = json.str();
        const std::string uninstaller = bundle ? "\"uninstaller\":{\"name\":\"UnInst.exe\",\"asked\":true,\"component\":1,\"size\":18}"
                                               : "\"uninstaller\":{\"name\":\"UnInst.exe\",\"asked\":true,\"component\":null";
        std::string compact;
        for (char c : document)
            if (c != ' ' && c != '\n') compact += c;
        EXPECT_NE(compact.find(uninstaller), std::string::npos) << document;
        EXPECT_NE(compact.find(bundle ? "\"alwaysInstalled\":2" : "\"alwaysInstalled\":0"), std::string::npos);
        EXPECT_NE(compact.find("\"extraTexts\":{\"msgPreviousLeftovers\":\"Stays:%s\"}"), std::string::npos) << document;
    }
}

}  // namespace
}  // namespace testing_mkpackage
