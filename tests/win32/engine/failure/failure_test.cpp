#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/failure/failure.h"
#include "ui/text/message_wrap.h"
#include "test_support.h"

using testing_support::runChild;

namespace {

const char kArchiveCorrupt[] =
    "The archive inside INSTALL.EXE is corrupt.\nInstall failed and will exit.";

std::string withoutCarriageReturns(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

// A text as a message box shows it: long runs broken onto lines.
std::string wrapped(const std::string& text) {
    char out[1024];
    setup::wrapLongRuns(text.c_str(), out, sizeof out);
    return out;
}

// A box's text as it was before the wrapping, for a text whose long runs
// hold no separator: the breaks lie every kLongestMessageRun characters.
std::string unwrappedBox(const std::string& shown) {
    std::string text;
    std::size_t run = 0;
    for (char c : shown) {
        if (c == '\n' && run == setup::kLongestMessageRun) {
            run = 0;
            continue;
        }
        run = (c == ' ' || c == '\t' || c == '\n' || c == '\r') ? 0 : run + 1;
        text += c;
    }
    return text;
}

}  // namespace

// A failure inside a dialog procedure must reach the handler without
// unwinding through system code, which would end the process with code 3.
TEST(FailureBoundary, RaisedInDialogProcedureEndsWithItsCode) {
    auto result = runChild("--child dialog 2");
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_EQ(result.boxes, 1);
    EXPECT_EQ(result.text, kArchiveCorrupt);
    EXPECT_EQ(result.caption, "Error");  // the system's default caption
}

TEST(FailureBoundary, RaisedInWindowProcedureEndsWithItsCode) {
    auto result = runChild("--child window 4");
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(result.text, kArchiveCorrupt);
}

TEST(FailureHandler, FailureDuringTheHandlerEndsWithTheFirstCode) {
    auto result = runChild("--child twice 2");
    EXPECT_EQ(result.exitCode, 2u);
}

TEST(FailureHandler, ConfiguredMessageQuotesPathAndSystemText) {
    auto result = runChild("--child configured 5 22 0");
    EXPECT_EQ(result.exitCode, 5u);
    EXPECT_EQ(result.caption, "Test Error");
    std::string reason = setup::systemErrorText(ERROR_DISK_FULL);
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(withoutCarriageReturns(result.text),
              withoutCarriageReturns("Could not write to file 'C:\\Target\\pppppppppppp'.\nError: " +
                                     reason + "\n\nInstall failed and will exit."));
}

TEST(FailureHandler, FolderFailureQuotesTheFolder) {
    auto result = runChild("--child configured 4 22 0");
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(result.text.rfind("Could not create path 'C:\\Target\\Sub'.\nError: ", 0), 0u)
        << result.text;
}

TEST(FailureHandler, LongPathAndTextAreCutToTheBoxBuffer) {
    auto result = runChild("--child configured 5 259 300");
    EXPECT_EQ(result.exitCode, 5u);
    std::string path = "C:\\Target\\" + std::string(249, 'p');
    // The box shows the 499 characters with the path broken onto lines.
    EXPECT_EQ(result.text.rfind(wrapped("Could not write to file '" + path + "'.\nError: "), 0), 0u)
        << result.text;
    EXPECT_EQ(result.text.back(), 'z');
    EXPECT_EQ(unwrappedBox(result.text).size(), 499u);
}

TEST(FailureHandler, ShowErrorCutsAt499Characters) {
    auto result = runChild("--child long-error");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.text, wrapped(std::string(400, 'x') + "|" + std::string(98, 'x')));
}

TEST(SystemErrorText, KeepsThePreviousTextWhenTheSystemHasNone) {
    std::string known = setup::systemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(known.empty());
    EXPECT_EQ(known.back(), '\n');  // used exactly as given, line break included
    EXPECT_EQ(std::string(setup::systemErrorText(0x2FFFFFF0u)), known);
}

TEST(RaiseInstallError, CarriesTheLastSystemError) {
    SetLastError(ERROR_SHARING_VIOLATION);
    try {
        setup::raiseInstallError(setup::kErrorCreateFile);
        FAIL() << "raise returned";
    } catch (setup::xInstall* error) {
        EXPECT_EQ(error->code, 2u);
        EXPECT_EQ(error->systemError, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(error, setup::installErrorObject(2));
    }
}
