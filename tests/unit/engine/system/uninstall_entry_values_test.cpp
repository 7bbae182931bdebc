// The values of the system's uninstall entry: every one the list of
// programs and the package managers read, with its type, and the default
// icon chosen from the selection.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/system/uninstall_entry_values.h"

namespace {

using setup::RegistryValue;

struct Written {
    std::string name;
    std::string text;  // "#<number>" for a number
    bool operator==(const Written& o) const { return name == o.name && text == o.text; }
};

void PrintTo(const Written& w, std::ostream* out) { *out << w.name << "=" << w.text; }

std::vector<Written> valuesOf(const setup::UninstallEntryFacts& facts) {
    static setup::UninstallEntryTexts room;
    RegistryValue values[setup::kMaxUninstallEntryValues];
    const std::size_t count = setup::uninstallEntryValues(facts, room, values);
    std::vector<Written> out;
    for (std::size_t i = 0; i < count; ++i) {
        std::string text = "#";
        if (values[i].remove) text = "<removed>";
        else if (values[i].text != nullptr) text = values[i].text;
        else text += std::to_string(values[i].number);
        out.push_back({values[i].name, text});
    }
    return out;
}

setup::UninstallEntryFacts facts() {
    return {"Example Writer", "1.2.3", "Example Works", "https://example.com/", "https://example.com/help",
            "support@example.com", "A writer", "C:\\Program Files\\Example Writer\\", "UnInst.exe", "Bin\\writer.exe",
            "C:\\Program Files\\Example Writer\\InstallLog", 2049, 2026, 3, 9};
}

TEST(UninstallEntry, EveryValueInOrderWithItsType) {
    EXPECT_EQ(valuesOf(facts()),
              (std::vector<Written>{
                  {"DisplayName", "Example Writer"},
                  {"DisplayVersion", "1.2.3"},
                  {"Publisher", "Example Works"},
                  {"InstallLocation", "C:\\Program Files\\Example Writer\\"},
                  {"InstallDate", "20260309"},
                  {"DisplayIcon", "C:\\Program Files\\Example Writer\\Bin\\writer.exe"},
                  // The program's path quoted, the log's the rest of the line.
                  {"UninstallString", "\"C:\\Program Files\\Example Writer\\UnInst.exe\" C:\\Program Files\\Example Writer\\InstallLog"},
                  {"QuietUninstallString",
                   "\"C:\\Program Files\\Example Writer\\UnInst.exe\" /S C:\\Program Files\\Example Writer\\InstallLog"},
                  {"EstimatedSize", "#3"},  // 2049 bytes: three KiB begun
                  {"NoModify", "#1"},
                  {"NoRepair", "#1"},
                  {"URLInfoAbout", "https://example.com/"},
                  {"HelpLink", "https://example.com/help"},
                  {"Contact", "support@example.com"},
                  {"Comments", "A writer"},
              }));
}

// An empty text leaves no value: one an earlier version wrote goes.
TEST(UninstallEntry, EmptyTextsAreRemovedAndSizesRoundUp) {
    setup::UninstallEntryFacts f = facts();
    f.publisher = f.aboutUrl = f.helpUrl = f.contact = f.comments = "";
    const struct {
        std::uint64_t bytes;
        const char* kibibytes;
    } sizes[] = {{0, "#0"}, {1, "#1"}, {1024, "#1"}, {1025, "#2"}, {0x3FFFFFFFFFFull, "#4294967295"}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.bytes);
        f.installedBytes = s.bytes;
        const std::vector<Written> values = valuesOf(f);
        ASSERT_EQ(values.size(), 15u);
        EXPECT_EQ(values[2], (Written{"Publisher", "<removed>"}));
        EXPECT_EQ(values[8], (Written{"EstimatedSize", s.kibibytes}));
        EXPECT_EQ(values[14], (Written{"Comments", "<removed>"}));
    }
}

TEST(UninstallEntry, CommandThatWouldNotFitGivesNoValues) {
    setup::UninstallEntryFacts f = facts();
    const std::string folder = "C:\\" + std::string(250, 'd') + "\\";
    const std::string log = folder + "InstallLog";
    f.installDir = folder.c_str();
    f.logPath = log.c_str();
    // "uninstaller" /S log: both paths fit on their own, the quiet command does not.
    EXPECT_TRUE(valuesOf(f).empty());
}

TEST(UninstallEntry, DefaultIconIsTheFirstSelectedShortcutsProgram) {
    // Two components, each a record followed by its actions.
    struct Record {
        fmt::Component component{};
        fmt::InstallAction actions[2]{};
    } records[2];
    const auto action = [](fmt::InstallAction& a, std::uint32_t type, const char* program) {
        a.type = type;
        std::strcpy(a.arg1, program);
    };
    action(records[0].actions[0], fmt::kActionRegistryValue, "Software\\Key");
    action(records[0].actions[1], fmt::kActionProgramsShortcut, "first.exe");
    action(records[1].actions[0], fmt::kActionDesktopShortcut, "second.exe");
    const fmt::Component* components[] = {&records[0].component, &records[1].component};
    const std::uint32_t actions[] = {2, 1};
    const struct {
        std::uint32_t selection;
        std::uint32_t actions0;
        const char* expected;
    } cases[] = {
        {0x3, 2, "first.exe"},
        {0x2, 2, "second.exe"},
        {0x0, 2, "UnInst.exe"},
        {0x1, 1, "UnInst.exe"},  // only the registry action lies inside the record
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selection);
        const std::uint32_t counts[] = {c.actions0, actions[1]};
        char icon[fmt::kMaxPath];
        setup::defaultDisplayIcon(components, counts, 2, c.selection, "UnInst.exe", icon);
        EXPECT_STREQ(icon, c.expected);
    }
}

}  // namespace
