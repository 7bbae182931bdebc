#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "base/process_state.h"
#include "engine/failure/failure.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::uint32_t raisedCode(void (*operation)()) {
    try {
        operation();
    } catch (setup::xInstall* error) {
        return error->code;
    }
    return 0;
}

class PackageFile : public ::testing::Test {
protected:
    void SetUp() override { resetLoadedState(); }
    void TearDown() override {
        resetLoadedState();
        if (!path_.empty()) DeleteFileA(path_.c_str());
    }
    // Writes an installer and finds its package; true when found.
    bool locate(const std::vector<std::uint8_t>& installer) {
        path_ = writeTempFile("setupkit-package-test.exe", installer);
        return setup::locatePackage(path_.c_str());
    }
    std::string path_;
};

const TextList kTexts = {
    {offsetof(fmt::TextSlots, productName), "Demo Product"},
    {offsetof(fmt::TextSlots, productVersion), "1.00h"},
};

void readHeaderAndLoad() {
    setup::readPackage(&setup::packageFile.header, sizeof setup::packageFile.header);
    setup::loadSetupConfig();
}

}  // namespace

TEST_F(PackageFile, FindsReadsAndLoadsTheConfiguration) {
    std::vector<std::uint8_t> installer = buildInstaller(70000, buildRecord(kTexts, 0x0E));
    ASSERT_TRUE(locate(installer));
    EXPECT_EQ(setup::packageFile.packageStart, 70000u);
    EXPECT_EQ(setup::packageFile.fileSize, installer.size());

    readHeaderAndLoad();
    ASSERT_TRUE(setup::configLoaded);
    const fmt::SetupConfig& record = setup::config();
    EXPECT_STREQ(setup::configText(record.texts.productName), "Demo Product");
    EXPECT_STREQ(setup::configText(record.texts.productVersion), "1.00h");
    EXPECT_STREQ(setup::configText(record.texts.titleError), "");
    EXPECT_EQ(record.settings.flags, 0x0Eu);
}

TEST_F(PackageFile, SlotBeyondTheRecordDesignatesAnEmptyText) {
    std::vector<std::uint8_t> record = buildRecord(kTexts);
    std::uint32_t wild = 0x7FFFFFF0u;
    std::memcpy(record.data() + offsetof(fmt::TextSlots, titleError), &wild, 4);
    ASSERT_TRUE(locate(buildInstaller(4096, record)));
    readHeaderAndLoad();
    EXPECT_STREQ(setup::configText(setup::config().texts.titleError), "");
}

TEST_F(PackageFile, FileWithoutPackageIsNotFound) {
    EXPECT_FALSE(locate(std::vector<std::uint8_t>(50000, 0x90)));
    EXPECT_EQ(setup::packageFile.handle, nullptr);
    EXPECT_FALSE(setup::locatePackage("C:\\no\\such\\file.exe"));
}

TEST_F(PackageFile, SeekUpToTheFileSizeIsAcceptedAndTheReadComesUpShort) {
    ASSERT_TRUE(locate(buildInstaller(4096, buildRecord(kTexts))));
    EXPECT_EQ(raisedCode([] { setup::seekPackage(setup::packageFile.fileSize); }), 0u);
    EXPECT_EQ(raisedCode([] {
                  char byte;
                  setup::readPackage(&byte, 1);
              }),
              1u);
    EXPECT_EQ(raisedCode([] { setup::seekPackage(setup::packageFile.fileSize + 1); }), 1u);
}

TEST_F(PackageFile, FlippedConfigurationBitIsAChecksumError) {
    std::vector<std::uint8_t> installer = buildInstaller(4096, buildRecord(kTexts));
    installer[installer.size() - 5] ^= 0x01;
    ASSERT_TRUE(locate(installer));
    EXPECT_EQ(raisedCode(readHeaderAndLoad), 8u);
    EXPECT_FALSE(setup::configLoaded);
}

TEST_F(PackageFile, WrongBlockMagicIsCorrupt) {
    std::vector<std::uint8_t> installer = buildInstaller(4096, buildRecord(kTexts));
    installer[4096 + sizeof(fmt::PackageHeader)] = 'X';
    ASSERT_TRUE(locate(installer));
    EXPECT_EQ(raisedCode(readHeaderAndLoad), 1u);
}

TEST_F(PackageFile, WrongUnpackedSizeStillLoads) {
    std::vector<std::uint8_t> installer = buildInstaller(4096, buildRecord(kTexts));
    std::uint32_t claimed = 12;
    std::memcpy(installer.data() + 4096 + sizeof(fmt::PackageHeader) + 8, &claimed, 4);
    ASSERT_TRUE(locate(installer));
    EXPECT_EQ(raisedCode(readHeaderAndLoad), 0u);
    EXPECT_TRUE(setup::configLoaded);
}

TEST_F(PackageFile, TruncatedBlockIsCorrupt) {
    std::vector<std::uint8_t> installer = buildInstaller(4096, buildRecord(kTexts));
    installer.resize(installer.size() - 3);
    ASSERT_TRUE(locate(installer));
    EXPECT_EQ(raisedCode(readHeaderAndLoad), 1u);
}

namespace {

// The installer as a signing tool leaves it: the image's security entry names
// a certificate table behind the package (padded to 8), and the table holds
// the package's magic pair, which must never be taken for the package.
std::vector<std::uint8_t> signedInstaller(bool withPackage) {
    std::vector<std::uint8_t> image(4096, 0x90);
    const std::uint32_t peOffset = 0x80, directories = 16;
    const std::uint16_t optionalSize = 224, magic = 0x10B;
    image[0] = 'M';
    image[1] = 'Z';
    std::memcpy(&image[0x3C], &peOffset, 4);
    std::memcpy(&image[peOffset], "PE\0\0", 4);
    std::memcpy(&image[peOffset + 4 + 16], &optionalSize, 2);
    std::memcpy(&image[peOffset + 24], &magic, 2);
    std::memcpy(&image[peOffset + 24 + 92], &directories, 4);
    std::vector<std::uint8_t> file = withPackage ? buildInstaller(image, buildRecord(kTexts)) : image;
    file.resize((file.size() + 7) / 8 * 8, 0);
    const std::uint32_t tableAt = static_cast<std::uint32_t>(file.size()), tableSize = 64;
    std::memcpy(&file[peOffset + 24 + 96 + 4 * 8], &tableAt, 4);
    std::memcpy(&file[peOffset + 24 + 96 + 4 * 8 + 4], &tableSize, 4);
    std::vector<std::uint8_t> table(tableSize, 0);
    table[0] = static_cast<std::uint8_t>(tableSize);
    std::memcpy(&table[16], fmt::kPackageMagic, 4);
    std::memcpy(&table[20], &fmt::kPackageSignature, 4);
    file.insert(file.end(), table.begin(), table.end());
    return file;
}

}  // namespace

TEST_F(PackageFile, SignedInstallerLoadsAndEndsBeforeItsCertificateTable) {
    const std::vector<std::uint8_t> installer = signedInstaller(true);
    ASSERT_TRUE(locate(installer));
    EXPECT_EQ(setup::packageFile.packageStart, 4096u);
    EXPECT_EQ(setup::packageFile.fileSize, installer.size() - 64);
    readHeaderAndLoad();
    EXPECT_TRUE(setup::configLoaded);
    EXPECT_STREQ(setup::configText(setup::config().texts.productName), "Demo Product");
}

TEST_F(PackageFile, MagicPairInsideTheCertificateTableIsNoPackage) {
    EXPECT_FALSE(locate(signedInstaller(false)));
    EXPECT_EQ(setup::packageFile.handle, nullptr);
}
