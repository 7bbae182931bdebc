// inspect's two forms: the listing for people (flags by name, texts in
// UTF-8 by the package's code page) and the JSON document, read back here
// with a JSON parser.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "build/package_writer.h"
#include "build_helpers.h"
#include "description/description_reader.h"
#include "inspect/inspect_installer.h"
#include "sources/placeholder_media.h"
#include "text/sha256.h"

namespace testing_mkpackage {
namespace {

using nlohmann::json;

// Runs `mkpackage inspect --json` and returns its exit code and stdout.
std::pair<int, std::string> inspectJson(const std::filesystem::path& installer) {
    const std::string command = std::string(MKPACKAGE_PATH) + " inspect --json '" + installer.string() + "' 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// Cyrillic texts in code page 1251, a page with flags and a picture, files
// of known digests.
const char* const kBody =
    "[options]\nflags = [\"desktop-shortcuts\", \"uninstall-entry\"]\n"
    "[texts]\ntitleWizard = \"Установка\"\n"
    "[[pictures]]\nname = \"logo\"\nfile = \"logo.bmp\"\n"
    "[[components]]\nname = \"Файлы\"\nfiles = [\"abc.txt\", \"empty.txt\", \"Жук.bin\"]\n"
    "[[components.actions]]\ntype = \"desktop-shortcut\"\nprogram = \"abc.txt\"\nname = \"Жук\"\narguments = \"\"\n"
    "[[pages]]\nitems = [{ image = \"logo\" }, { text = \"Привет\", flags = [\"bold\", \"center\"] }]\n";

class Inspect : public ::testing::Test {
protected:
    void SetUp() override {
        ws_.write("abc.txt", "abc");
        ws_.write("empty.txt", "");
        big_ = randomBytes(100000, 3);
        ws_.write("Жук.bin", big_);
        ws_.write("logo.bmp", mkpackage::makeBitmapFile(8, 4, 0xFF0000, 0x0000FF));
        ws_.write("product.toml", std::string("code-page = 1251\n") + kProduct + kBody);
        installer_ = ws_.path("setup.exe");
        mkpackage::writeInstaller(mkpackage::readDescription(ws_.descriptionPath()), ws_.path("stub.exe"), installer_);
    }

    Workspace ws_;
    Bytes big_;
    std::filesystem::path installer_;
};

TEST_F(Inspect, JsonDocumentHoldsTheWholeListing) {
    const auto [exitCode, text] = inspectJson(installer_);
    ASSERT_EQ(exitCode, 0);
    const json doc = json::parse(text);
    EXPECT_EQ(doc["verified"], true);
    EXPECT_TRUE(doc["defect"].is_null());
    EXPECT_EQ(doc["signature"]["present"], false);
    EXPECT_EQ(doc["package"]["codePage"], 1251);
    EXPECT_EQ(doc["settings"]["flags"], json({"desktop-shortcuts", "uninstall-entry"}));
    EXPECT_EQ(doc["texts"]["titleWizard"], "Установка");

    const json& component = doc["components"][0];
    EXPECT_EQ(component["name"], "Файлы");
    mkpackage::Sha256 bigDigest;
    bigDigest.add(big_.data(), big_.size());
    const struct {
        const char* name;
        std::uint64_t size;
        std::string sha256;
    } files[] = {
        {"abc.txt", 3, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"empty.txt", 0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"Жук.bin", big_.size(), bigDigest.hexDigest()},
    };
    ASSERT_EQ(component["files"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const json& file = component["files"][i];
        EXPECT_EQ(file["name"], files[i].name);
        EXPECT_EQ(file["size"], files[i].size);
        EXPECT_EQ(file["sha256"], files[i].sha256) << files[i].name;
        EXPECT_EQ(file["time"].get<std::string>().size(), 20u);  // 2021-03-04T05:06:07Z
        EXPECT_TRUE(file["attributes"].is_array());
    }
    EXPECT_EQ(component["actions"][0]["type"], "desktop-shortcut");
    EXPECT_EQ(component["actions"][0]["arguments"][1], "Жук");

    const json& items = doc["pages"][0];
    EXPECT_EQ(items[0]["type"], "image");
    EXPECT_EQ(items[0]["picture"], "logo.bmp");
    EXPECT_EQ(items[1]["text"], "Привет");
    EXPECT_EQ(items[1]["flags"], json({"center", "bold"}));
    EXPECT_EQ(doc["pictures"][0]["name"], "logo.bmp");
    EXPECT_EQ(doc["pictures"][0]["width"], 8);
    // The uninstall entry asks for an uninstaller that no component stores.
    EXPECT_EQ(doc["uninstaller"], json({{"name", "UnInst.exe"}, {"asked", true}, {"component", nullptr}, {"size", nullptr}}));
    EXPECT_EQ(doc["settings"]["alwaysInstalled"], 0);
    EXPECT_EQ(doc["extraTexts"], json::object());
}

TEST_F(Inspect, SignatureAndDefectsInBothForms) {
    const Bytes signedInstaller = withSignature(readFile(installer_), certificateRecord(700));
    writeFile(ws_.path("signed.exe"), signedInstaller);
    auto [exitCode, text] = inspectJson(ws_.path("signed.exe"));
    ASSERT_EQ(exitCode, 0);
    json doc = json::parse(text);
    EXPECT_EQ(doc["verified"], true);
    EXPECT_EQ(doc["signature"]["present"], true);
    EXPECT_EQ(doc["signature"]["certificateTableSize"], 712);

    std::ostringstream listing, errors;
    EXPECT_TRUE(mkpackage::inspectInstaller(ws_.path("signed.exe"), false, listing, errors));
    EXPECT_NE(listing.str().find("signature: present, certificate table of 712 bytes"), std::string::npos);
    EXPECT_NE(listing.str().find("texts in code page 1251"), std::string::npos);
    EXPECT_NE(listing.str().find("(desktop-shortcuts, uninstall-entry)"), std::string::npos);
    EXPECT_NE(listing.str().find("text flags 0x00000108 (center, bold) \"Привет\""), std::string::npos);
    EXPECT_NE(listing.str().find("file \"Жук.bin\""), std::string::npos);
    EXPECT_EQ(errors.str(), "");

    // A damaged installer: the document still parses and names the defect,
    // and the listing sends it to the error stream.
    Bytes damaged = readFile(installer_);
    damaged.back() ^= 1;
    writeFile(ws_.path("damaged.exe"), damaged);
    std::tie(exitCode, text) = inspectJson(ws_.path("damaged.exe"));
    EXPECT_EQ(exitCode, 1);
    doc = json::parse(text);
    EXPECT_EQ(doc["verified"], false);
    EXPECT_NE(doc["defect"].get<std::string>().find("crc32"), std::string::npos);
    std::ostringstream damagedListing, damagedErrors;
    EXPECT_FALSE(mkpackage::inspectInstaller(ws_.path("damaged.exe"), false, damagedListing, damagedErrors));
    EXPECT_EQ(damagedListing.str().find("defect"), std::string::npos);
    EXPECT_EQ(damagedErrors.str().rfind("defect: ", 0), 0u);
}

TEST(Sha256, KnownDigestsWhateverThePieces) {
    const std::string million(1000000, 'a');
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: padding takes a block of its own
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t(1), std::size_t(63), std::size_t(64), std::size_t(16384)}) {
            mkpackage::Sha256 sha;
            for (std::size_t at = 0; at < c.message.size(); at += piece) {
                sha.add(c.message.data() + at, std::min(piece, c.message.size() - at));
            }
            EXPECT_EQ(sha.hexDigest(), c.digest) << c.message.size() << " bytes in pieces of " << piece;
        }
    }
}

}  // namespace
}  // namespace testing_mkpackage
