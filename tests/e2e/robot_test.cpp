// The robot against a dialog of known content: what it reads and what its
// presses change.
#include <gtest/gtest.h>

#include "harness/scenario.h"
#include "robot/fixture_ids.h"

namespace e2e {
namespace {

class RobotOnFixture : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        Bytes fixture;
        ASSERT_TRUE(readFile(E2E_ROBOT_FIXTURE, fixture));
        writeInstaller(fixture, "fixture.exe");
    }
    std::optional<Window> startFixture() {
        fixture_ = &start("fixture.exe");
        return waitWindow("fixture.exe", "fixture");
    }
    Process* fixture_ = nullptr;
};

TEST_F(RobotOnFixture, ReadsTextsStatesAndGeometry) {
    std::optional<Window> dialog = startFixture();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->title, "Robot Fixture");
    EXPECT_EQ(dialog->className, "#32770");
    EXPECT_EQ(dialog->exe, "fixture.exe");
    EXPECT_EQ(dialog->path, windowsDir() + "fixture.exe");
    EXPECT_FALSE(dialog->isMessageBox());
    EXPECT_EQ(dialog->defaultButton, kIdOk);
    EXPECT_GT(dialog->rect.right - dialog->rect.left, 100);

    const Control* label = dialog->child(FIXTURE_LABEL);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text, "Caf\xe9 label");
    const Control* edit = dialog->child(FIXTURE_EDIT);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->className, "Edit");
    EXPECT_EQ(edit->text, "C:\\Target\\");
    EXPECT_EQ(dialog->child(FIXTURE_CHECK_ON)->check, 1);
    EXPECT_EQ(dialog->child(FIXTURE_CHECK_OFF)->check, 0);
    EXPECT_EQ(dialog->child(FIXTURE_RADIO_FIRST)->check, 0);
    EXPECT_EQ(dialog->child(FIXTURE_RADIO_SECOND)->check, 1);
    const Control* disabled = dialog->child(FIXTURE_DISABLED);
    ASSERT_TRUE(disabled);
    EXPECT_FALSE(disabled->enabled);
    EXPECT_TRUE(disabled->visible);
    EXPECT_TRUE(dialog->child(kIdOk)->enabled);
    // Children lie inside the dialog.
    EXPECT_GE(edit->rect.left, dialog->rect.left);
    EXPECT_LE(edit->rect.right, dialog->rect.right);

    answer(*dialog, kIdCancel);
    EXPECT_EQ(exitCodeOf(*fixture_), kIdCancel);
}

TEST_F(RobotOnFixture, ButtonClicksToggleAndEscapeCancels) {
    std::optional<Window> dialog = startFixture();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(robot.clickButton(dialog->hwnd, FIXTURE_CHECK_ON));
    EXPECT_TRUE(robot.clickButton(dialog->hwnd, FIXTURE_CHECK_OFF));
    EXPECT_TRUE(robot.clickButton(dialog->hwnd, FIXTURE_RADIO_FIRST));
    // The clicks are posted: the dialog takes them in its own time.
    std::optional<Window> changed = waitForState(
        dialog->hwnd, [](const Window& now) { return now.child(FIXTURE_RADIO_FIRST)->check == 1; });
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->child(FIXTURE_CHECK_ON)->check, 0);
    EXPECT_EQ(changed->child(FIXTURE_CHECK_OFF)->check, 1);
    EXPECT_EQ(changed->child(FIXTURE_RADIO_SECOND)->check, 0);
    EXPECT_FALSE(robot.click(dialog->hwnd, FIXTURE_DISABLED)) << "a disabled button was pressed";
    screenshot("changed");
    EXPECT_TRUE(robot.clickButton(dialog->hwnd, kIdOk));
    EXPECT_EQ(exitCodeOf(*fixture_), 100 + 2);

    dialog = startFixture();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(robot.pressEscape(dialog->hwnd));
    EXPECT_EQ(exitCodeOf(*fixture_), kIdCancel);
}

TEST_F(RobotOnFixture, CloseBoxEndsTheDialog) {
    std::optional<Window> dialog = startFixture();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(robot.close(dialog->hwnd));
    EXPECT_EQ(exitCodeOf(*fixture_), kIdCancel);
    EXPECT_FALSE(robot.describe(dialog->hwnd)) << "a window that has gone is still described";
}

}  // namespace
}  // namespace e2e
