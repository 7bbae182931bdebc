#include <gtest/gtest.h>

#include <string>

#include "base/install_error.h"
#include "engine/failure/failure_messages.h"
#include "format/package_format.h"
#include "setup/startup_choices.h"

using namespace setup;

TEST(InstallPrompt, ChosenByTheInstalledVersion) {
    EXPECT_EQ(chooseInstallPrompt("1.5", ""), InstallPrompt::kInstall);
    EXPECT_EQ(chooseInstallPrompt("1.5", "1.5"), InstallPrompt::kReinstall);
    EXPECT_EQ(chooseInstallPrompt("1.00H", "1.00h"), InstallPrompt::kReinstall);
    EXPECT_EQ(chooseInstallPrompt("1.6", "1.5"), InstallPrompt::kUpgrade);
    EXPECT_EQ(chooseInstallPrompt("1.4", "1.5"), InstallPrompt::kNewerInstalled);
    // Text order: 1.10 sorts before 1.9, so the package counts as older.
    EXPECT_EQ(chooseInstallPrompt("1.10", "1.9"), InstallPrompt::kNewerInstalled);
    // A version that is the installed one with more behind it is newer.
    EXPECT_EQ(chooseInstallPrompt("1.0.1", "1.0"), InstallPrompt::kUpgrade);
    EXPECT_EQ(chooseInstallPrompt("1.0", "1.0.1"), InstallPrompt::kNewerInstalled);
}

// A reinstall or an upgrade starts where the product is, when that is a
// folder the chooser would take.
TEST(InstalledFolder, UsableWhenTheChooserWouldTakeIt) {
    const auto drives = [](char letter) { return letter == 'C' || letter == 'c'; };
    struct Case {
        std::string value;
        bool usable;
        std::string result;
    };
    const Case cases[] = {
        {"C:\\Custom\\Dir\\", true, "C:\\Custom\\Dir\\"},
        {"C:\\Custom\\Dir", true, "C:\\Custom\\Dir\\"},
        {"\\\\server\\share\\P\\", true, "\\\\server\\share\\P\\"},
        {"Q:\\Gone\\", false, ""},          // a drive no longer there
        {"Relative\\", false, ""},
        {"C:\\a|b\\", false, ""},
        {"C:\\" + std::string(148, 'x'), false, ""},  // longer than the chooser takes
    };
    for (const Case& c : cases) {
        char folder[260] = {};
        c.value.copy(folder, sizeof folder - 1);
        EXPECT_EQ(usableInstalledFolder(folder, sizeof folder, drives), c.usable) << c.value;
        if (c.usable) {
            EXPECT_EQ(std::string(folder), c.result);
        }
    }
}

TEST(CompletionText, StartMenuWinsOverDesktop) {
    EXPECT_EQ(chooseCompletionText(0x3), CompletionText::kStartMenu);
    EXPECT_EQ(chooseCompletionText(0x2), CompletionText::kStartMenu);
    EXPECT_EQ(chooseCompletionText(0x1), CompletionText::kDesktop);
    EXPECT_EQ(chooseCompletionText(0x0), CompletionText::kFolder);
    EXPECT_EQ(chooseCompletionText(0xC), CompletionText::kFolder);
}

TEST(InstallError, OneStaticObjectPerAssignedCode) {
    for (std::uint32_t code : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 10u}) {
        xInstall* error = installErrorObject(code);
        ASSERT_NE(error, nullptr) << code;
        EXPECT_EQ(error->code, code);
        EXPECT_EQ(installErrorObject(code), error);
    }
    EXPECT_EQ(installErrorObject(0), nullptr);
    EXPECT_EQ(installErrorObject(9), nullptr);
}

TEST(InstallError, MessagesQuoteTheRightValues) {
    using fmt::TextSlots;
    FailureMessage write = failureMessageFor(kErrorWriteFile);
    EXPECT_EQ(write.textSlot, offsetof(TextSlots, errWriteFile));
    EXPECT_EQ(write.arguments, FailureArguments::kFileAndSystem);
    EXPECT_EQ(failureMessageFor(kErrorCreatePath).arguments, FailureArguments::kFolderAndSystem);
    EXPECT_EQ(failureMessageFor(kErrorRegistry).arguments, FailureArguments::kSystem);
    EXPECT_EQ(failureMessageFor(kErrorReadPackage).arguments, FailureArguments::kSystem);
    EXPECT_EQ(failureMessageFor(kErrorCrc).arguments, FailureArguments::kNone);
    EXPECT_EQ(failureMessageFor(kErrorCrc).textSlot, offsetof(TextSlots, errCrc));
    EXPECT_FALSE(failureMessageFor(9).shown);
}
