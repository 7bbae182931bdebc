// The language question, shown by a probe program with German texts: what
// it lists and preselects, how each way of answering it ends, and that its
// controls lie apart inside it.
#include <gtest/gtest.h>

#include "harness/scenario.h"

namespace e2e {
namespace {

// The probe's control ids (the setup program's resource ids).
constexpr int kPrompt = 235;
constexpr int kList = 236;
// The probe's exit codes: 100 + the chosen row, 99 for a cancel.
constexpr int kCancelled = 99;

enum class Answer { okAfterSelect, doubleClick, cancelButton, escape, closeBox, okAsShown };

struct Case {
    const char* label;
    std::vector<std::string> names;
    int initial;
    Answer answer;
    int row;       // selected by the robot, for the answers that select
    int expected;  // exit code
    int shownSelection;
};

// Failure messages name a case by its label.
void PrintTo(const Case& c, std::ostream* out) { *out << c.label; }

const std::vector<std::string> kTen = {"English", "Deutsch",    "Francais", "Espanol", "Italiano",
                                       "Nederlands", "Polski", "Cestina",  "Russkij", "Ellinika"};

class LanguageQuestion : public SetupScenario, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        Bytes probe;
        ASSERT_TRUE(readFile(E2E_LANGUAGE_PROBE, probe));
        writeInstaller(probe, "language.exe");
    }
};

TEST_P(LanguageQuestion, ListsPreselectsAndAnswers) {
    const Case& c = GetParam();
    std::vector<std::string> arguments{std::to_string(c.initial)};
    arguments.insert(arguments.end(), c.names.begin(), c.names.end());
    Process& probe = startWith("language.exe", arguments);
    std::optional<Window> dialog = waitWindow("language.exe", std::string("language-") + c.label);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->title, "Setup-Sprache");
    EXPECT_EQ(dialog->defaultButton, kIdOk);
    const Control* list = dialog->child(kList);
    const Control* prompt = dialog->child(kPrompt);
    const Control* ok = dialog->child(kIdOk);
    const Control* cancel = dialog->child(kIdCancel);
    ASSERT_TRUE(list && prompt && ok && cancel);
    EXPECT_EQ(prompt->text, "W\xE4hlen Sie die Sprache f\xFCr die Installation:");
    EXPECT_EQ(list->items, c.names);
    EXPECT_EQ(list->selected, c.shownSelection);
    EXPECT_EQ(ok->text, "OK");
    EXPECT_EQ(cancel->text, "Abbrechen");

    // Top to bottom: prompt, list, the buttons side by side, all inside.
    EXPECT_LE(prompt->rect.bottom, list->rect.top);
    EXPECT_LE(list->rect.bottom, ok->rect.top);
    EXPECT_LE(ok->rect.right, cancel->rect.left);
    EXPECT_EQ(ok->rect.top, cancel->rect.top);
    EXPECT_EQ(ok->rect.right - ok->rect.left, cancel->rect.right - cancel->rect.left);
    for (const Control* control : {prompt, list, ok, cancel}) {
        EXPECT_GE(control->rect.left, dialog->rect.left) << control->id;
        EXPECT_LE(control->rect.right, dialog->rect.right) << control->id;
        EXPECT_LE(control->rect.bottom, dialog->rect.bottom) << control->id;
    }

    switch (c.answer) {
    case Answer::okAfterSelect:
        ASSERT_TRUE(robot.select(dialog->hwnd, kList, c.row));
        ASSERT_TRUE(waitForState(dialog->hwnd, [&](const Window& now) { return now.child(kList)->selected == c.row; }));
        EXPECT_TRUE(robot.clickButton(dialog->hwnd, kIdOk));
        break;
    case Answer::doubleClick: EXPECT_TRUE(robot.select(dialog->hwnd, kList, c.row, true)); break;
    case Answer::cancelButton: EXPECT_TRUE(robot.clickButton(dialog->hwnd, kIdCancel)); break;
    case Answer::escape: EXPECT_TRUE(robot.pressEscape(dialog->hwnd)); break;
    case Answer::closeBox: EXPECT_TRUE(robot.closeBox(dialog->hwnd)); break;
    case Answer::okAsShown: EXPECT_TRUE(robot.clickButton(dialog->hwnd, kIdOk)); break;
    }
    EXPECT_EQ(exitCodeOf(probe), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LanguageQuestion,
    ::testing::Values(Case{"select-ok", kTen, 1, Answer::okAfterSelect, 8, 108, 1},
                      Case{"double-click", {"English", "Deutsch", "Russkij"}, 0, Answer::doubleClick, 2, 102, 0},
                      Case{"as-shown", {"English", "Deutsch"}, 1, Answer::okAsShown, 0, 101, 1},
                      Case{"initial-beyond", {"English", "Deutsch", "Polski"}, 7, Answer::okAsShown, 0, 102, 2},
                      Case{"cancel", kTen, 3, Answer::cancelButton, 0, kCancelled, 3},
                      Case{"escape", {"English", "Deutsch"}, 0, Answer::escape, 0, kCancelled, 0},
                      Case{"close-box", {"English"}, 0, Answer::closeBox, 0, kCancelled, 0}),
    [](const ::testing::TestParamInfo<Case>& info) {
        std::string name = info.param.label;
        for (char& ch : name) ch = ch == '-' ? '_' : ch;
        return name;
    });

}  // namespace
}  // namespace e2e
