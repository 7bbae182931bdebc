#include <gtest/gtest.h>

#include "engine/system/post_install_rules.h"
#include "format/package_format.h"

using setup::ActionEffect;
using setup::actionsWithinLimit;
using setup::planAction;

namespace {

void expectPlan(std::uint32_t type, std::uint32_t flags, ActionEffect effect, int logFlag) {
    const setup::ActionPlan plan = planAction(type, flags);
    EXPECT_EQ(plan.effect, effect) << "type " << type << " flags " << flags;
    EXPECT_EQ(plan.logFlag, logFlag) << "type " << type << " flags " << flags;
}

}  // namespace

TEST(PlanAction, ShortcutsRunOnlyWithTheirOwnFlagBit) {
    expectPlan(1, 0x0, ActionEffect::kNone, 0);
    expectPlan(1, 0x2, ActionEffect::kNone, 0);
    expectPlan(1, 0x1, ActionEffect::kDesktopShortcut, 0);
    expectPlan(2, 0x1, ActionEffect::kNone, 0);
    expectPlan(2, 0xD, ActionEffect::kNone, 0);
    expectPlan(2, 0x2, ActionEffect::kProgramsShortcut, 0);
}

TEST(PlanAction, RecordingTypesRunAlwaysWithTheirLogFlag) {
    for (std::uint32_t flags : {0x0u, 0xFu}) {
        expectPlan(3, flags, ActionEffect::kRegistryValue, 0);
        expectPlan(4, flags, ActionEffect::kLogFile, 0);
        expectPlan(5, flags, ActionEffect::kLogFile, 1);
        expectPlan(6, flags, ActionEffect::kLogKey, 0);
        expectPlan(7, flags, ActionEffect::kLogKey, 1);
    }
}

TEST(PlanAction, OtherTypesAreIgnored) {
    for (std::uint32_t type : {0u, 8u, 9u, 0x101u, 0xFFFFFFFFu}) expectPlan(type, 0xF, ActionEffect::kNone, 0);
}

TEST(ActionsWithinLimit, ADamagedCountStopsAtTheAreaEnd) {
    const std::size_t record = sizeof(fmt::InstallAction);
    EXPECT_EQ(actionsWithinLimit(1000, 3, record, 1000 + 3 * record), 3u);
    EXPECT_EQ(actionsWithinLimit(1000, 4, record, 1000 + 3 * record), 3u);
    EXPECT_EQ(actionsWithinLimit(1000, 0xFFFFFFFFu, record, 1000 + 3 * record + record - 1), 3u);
    EXPECT_EQ(actionsWithinLimit(1000, 2, record, 1000 + record - 1), 0u);
    EXPECT_EQ(actionsWithinLimit(5000, 2, record, 1000), 0u);
}
