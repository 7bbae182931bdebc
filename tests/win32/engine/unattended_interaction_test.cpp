// The interaction of an unattended run: the answers /S documents, every
// message in the run's log as the windows would have logged it, and no
// window at all.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/log/run_log.h"
#include "engine/unattended_interaction.h"
#include "test_support.h"

using namespace setup;

namespace {

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int threadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(UnattendedInteraction, AnswersAsDocumentedLogsEveryMessageAndShowsNothing) {
    const std::string log = testing_support::writeTempFile("unattended-run.log", {});
    // An earlier run's file is replaced by a new one.
    ASSERT_TRUE(openRunLog(log.c_str()));
    const int windowsBefore = threadWindows();

    UnattendedQuestions questions;
    struct Row { MessageStyle style; const char* text; int answer; const char* logged; };
    const Row rows[] = {
        {kMessageError, "error", kAnswerOk, "message \"Caption\": error (answered OK)"},
        {kMessageInformation, "note", kAnswerOk, "message \"Caption\": note (answered OK)"},
        {kMessageQuestion, "question", kAnswerNo, "message \"Caption\": question (answered No)"},
        {kMessageQuestionNoDefault, "risky", kAnswerNo, "message \"Caption\": risky (answered No)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged);
        EXPECT_EQ(questions.message(row.text, "Caption", row.style), row.answer);
    }
    EXPECT_FALSE(questions.askYesNo("Go on?", nullptr));
    const EntryBuffers entry = {};
    EXPECT_EQ(questions.askReplace("C:\\Product\\file.txt", entry), kReplaceAll);
    const char* held[] = {"C:\\Product\\app.exe"};
    EXPECT_EQ(questions.askFilesInUse(held, 1, false, false), FilesInUseAnswer::cancel);

    UnattendedDisplay display;
    EXPECT_EQ(display.openStatus("Updating the system...", fmt::kImageUpdatingSystem), 0u);
    display.openProgress({"Progress", "Group: %s", "File: %s"});
    display.showProgress("Program", "file.txt", 1, 2);
    display.pumpProgress();
    EXPECT_FALSE(display.cancelSeen());
    display.closeProgress();
    EXPECT_EQ(threadWindows(), windowsBefore);

    closeRunLog(0);
    const std::vector<std::uint8_t> bytes = testing_support::readWholeFile(log);
    const std::string text(bytes.begin(), bytes.end());
    DeleteFileA(log.c_str());
    for (const Row& row : rows) EXPECT_NE(text.find(row.logged), std::string::npos) << row.logged << "\n" << text;
    EXPECT_NE(text.find("message \"\": Go on? (answered No)"), std::string::npos) << text;
    EXPECT_NE(text.find("Updating the system..."), std::string::npos) << text;
    EXPECT_NE(text.find("in use: C:\\Product\\app.exe"), std::string::npos) << text;
}

}  // namespace
