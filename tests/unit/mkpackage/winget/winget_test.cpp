// mkpackage winget: the three manifest files parse as YAML and hold to the
// 1.10.0 schemas (validate_manifest.py, offline), their hash and entry
// values agree with the installer and with what inspect says it writes, and
// what the schema would refuse is refused with the right exit code.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "build_helpers.h"
#include "text/sha256.h"
#include "winget/manifest.h"

namespace testing_mkpackage {
namespace {

namespace fs = std::filesystem;

std::string textOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The validator's exit code: 0 when every file holds to its schema.
int validate(const fs::path& folder) {
    const std::string command = std::string("python3 ") + WINGET_VALIDATOR + " " + WINGET_SCHEMAS + " " + quote(folder);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string upperSha256(const fs::path& path) {
    const Bytes bytes = readFile(path);
    mkpackage::Sha256 hash;
    hash.add(bytes.data(), bytes.size());
    std::string hex = hash.hexDigest();
    for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return hex;
}

class Winget : public ::testing::Test {
protected:
    void SetUp() override {
        ws_.write("a.txt", "a");
        ImageShape uninstaller;
        uninstaller.dialogs = {101, 102, 103};
        ws_.write("uninstall.exe", makeProgramImage(uninstaller));
    }
    // Builds the installer of `fields` and `flags`; true on success.
    bool buildInstaller(const std::string& fields, const std::string& flags = "[\"uninstall-entry\"]") {
        ws_.write("product.toml", std::string(kProduct) + "version = \"3.1\"\n" + fields + "[options]\nflags = " + flags +
                                      "\n[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
        return run("build " + quote(ws_.descriptionPath()) + " --stub " + quote(ws_.path("stub.exe")) + " --uninstaller " +
                   quote(ws_.path("uninstall.exe")) + " -q -o " + quote(installer())) == 0;
    }
    fs::path installer() const { return ws_.path("setup.exe"); }
    int winget(const std::string& arguments, const std::string& expectedError = "") {
        return run("winget " + quote(installer()) + " " + arguments + " -o " + quote(ws_.path("manifest")), expectedError);
    }

    Workspace ws_;
};

TEST_F(Winget, ManifestHoldsToTheSchemaAndAgreesWithTheInstaller) {
    ASSERT_TRUE(buildInstaller("publisher = \"Example \\\"Works\\\"\"\ndisplay-version = \"3.1.0\"\n"
                               "about-url = \"https://example.com/\"\nhelp-url = \"mailto:help@example.com\"\n"
                               "copyright = \"(c) Example Works\"\ncomments = \"A test product\"\n"));
    ASSERT_EQ(winget("--id Example.TestProduct --url https://example.com/setup.exe --locale de-DE"), 0);
    const fs::path folder = ws_.path("manifest");
    for (const char* file : {"Example.TestProduct.yaml", "Example.TestProduct.locale.de-DE.yaml",
                             "Example.TestProduct.installer.yaml"})
        EXPECT_TRUE(fs::is_regular_file(folder / file)) << file;
    EXPECT_EQ(validate(folder), 0);

    const std::string manifest = textOf(folder / "Example.TestProduct.installer.yaml");
    EXPECT_NE(manifest.find("InstallerSha256: " + upperSha256(installer())), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("SilentWithProgress: /PASSIVE"), std::string::npos);
    // What inspect says the installer writes into its uninstall entry.
    const std::string json = [&] {
        std::FILE* pipe = ::popen((std::string(MKPACKAGE_PATH) + " inspect --json " + quote(installer())).c_str(), "r");
        std::string out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        ::pclose(pipe);
        return out;
    }();
    const nlohmann::json entry = nlohmann::json::parse(json)["uninstallEntry"];
    for (const char* key : {"DisplayName", "Publisher", "DisplayVersion"}) {
        const std::string value = entry[key].get<std::string>();
        EXPECT_NE(manifest.find(std::string(key) + ": " + mkpackage::yamlString(value)), std::string::npos) << key;
    }
    EXPECT_NE(manifest.find("ProductCode: " + mkpackage::yamlString(entry["productCode"].get<std::string>())), std::string::npos);
    const std::string locale = textOf(folder / "Example.TestProduct.locale.de-DE.yaml");
    EXPECT_NE(locale.find("PublisherUrl: \"https://example.com/\""), std::string::npos);
    EXPECT_EQ(locale.find("PublisherSupportUrl"), std::string::npos);  // a mail address is no web page
    EXPECT_NE(locale.find("Copyright: \"(c) Example Works\""), std::string::npos);
    EXPECT_NE(locale.find("ShortDescription: \"A test product\""), std::string::npos);

    // The validator sees what the schema refuses, and keys it does not know.
    std::ofstream(folder / "Example.TestProduct.yaml", std::ios::app) << "Moniker: nope\n";
    EXPECT_EQ(validate(folder), 1);
}

TEST_F(Winget, WithoutPublisherTheIdentifierNamesIt) {
    ASSERT_TRUE(buildInstaller(""));
    ASSERT_EQ(winget("--id Someone.Product --url http://example.com/s.exe"), 0);
    EXPECT_EQ(validate(ws_.path("manifest")), 0);
    const std::string manifest = textOf(ws_.path("manifest/Someone.Product.installer.yaml"));
    EXPECT_EQ(manifest.find("Publisher:"), std::string::npos);  // the entry holds none
    EXPECT_NE(textOf(ws_.path("manifest/Someone.Product.locale.en-US.yaml")).find("Publisher: \"Someone\""), std::string::npos);
    EXPECT_NE(manifest.find("DisplayVersion: \"3.1\""), std::string::npos);
}

TEST_F(Winget, RefusesWhatTheSchemaWouldRefuse) {
    ASSERT_TRUE(buildInstaller(""));
    const std::string url = "--url https://example.com/s.exe";
    const struct {
        std::string arguments;
        int code;
        const char* expected;
    } cases[] = {
        {"--id Product " + url, 2, "--id \"Product\": needs two to eight parts"},
        {"--id Some.Pro:duct " + url, 2, "--id \"Some.Pro:duct\""},
        {"--id Some.Product --url ftp://example.com/s.exe", 2, "needs an http:// or https:// address"},
        {"--id Some.Product --locale english " + url, 2, "--locale \"english\": is no locale"},
        {"--id Some.Product --license MIT " + url, 0, ""},
        {"--id Some.Product --license GP " + url, 2, "--license \"GP\": must hold 3 to 512 characters"},
        {"--id Some.Product", 2, "--url is required"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(winget(c.arguments, c.expected), c.code);
    }
    ASSERT_TRUE(buildInstaller("", "[]"));
    EXPECT_EQ(winget("--id Some.Product " + url, "writes no uninstall entry"), 1);
    ASSERT_TRUE(buildInstaller("display-version = \"3/1\"\n"));
    EXPECT_EQ(winget("--id Some.Product " + url, "is no package version"), 1);
    Bytes damaged = readFile(installer());
    damaged[damaged.size() - 5] ^= 0x40;
    writeFile(installer(), damaged);
    EXPECT_EQ(winget("--id Some.Product " + url), 1);
}

}  // namespace
}  // namespace testing_mkpackage
