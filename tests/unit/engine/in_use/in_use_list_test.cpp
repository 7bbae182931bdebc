// The list of what a run found in use and the lines its question shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/in_use/in_use_list.h"

namespace setup {
namespace {

TEST(InUseList, KeepsEachFileOnceCountsTheRestAndShowsProgramsFirst) {
    static InUseList list;
    list.clear();
    EXPECT_TRUE(list.empty());
    list.addFile("C:\\P\\app.exe");
    list.addFile("c:\\p\\APP.EXE");  // the same file in another case
    list.addFile("C:\\P\\data.bin");
    EXPECT_EQ(list.fileCount, 2u);
    const char* names[InUseList::kMaxFiles];
    ASSERT_EQ(list.shownNames(names), 2u);
    EXPECT_STREQ(names[1], "C:\\P\\data.bin");

    list.addProgram("");
    list.addProgram("Editor");
    list.addProgram("EDITOR");
    list.addProgram("Viewer");
    ASSERT_EQ(list.shownNames(names), 2u) << "the programs stand for the files";
    EXPECT_STREQ(names[0], "Editor");
    EXPECT_STREQ(names[1], "Viewer");

    for (std::size_t i = 0; i < InUseList::kMaxFiles + 5; ++i) list.addFile(("C:\\f" + std::to_string(i)).c_str());
    EXPECT_EQ(list.fileCount, InUseList::kMaxFiles);
    EXPECT_EQ(list.moreFiles, 7u);  // the two above were there first
    for (std::size_t i = 0; i < InUseList::kMaxPrograms + 3; ++i) list.addProgram(("p" + std::to_string(i)).c_str());
    EXPECT_EQ(list.programCount, InUseList::kMaxPrograms);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.programCount, 0u);
}

TEST(InUseList, OnlyWaitingForAnotherProgramCountsAsInUse) {
    EXPECT_TRUE(isInUseError(32));   // ERROR_SHARING_VIOLATION
    EXPECT_TRUE(isInUseError(33));   // ERROR_LOCK_VIOLATION
    EXPECT_FALSE(isInUseError(5));   // ERROR_ACCESS_DENIED: no program to close
    EXPECT_FALSE(isInUseError(2));
    EXPECT_FALSE(isInUseError(0));
}

// Whole names only, then "..." for what does not fit or is not listed.
TEST(InUseList, NameLinesAreWholeAndMarkTheRest) {
    struct Row {
        const char* label;
        std::vector<const char*> names;
        bool more;
        std::size_t size;
        const char* expected;
    };
    const Row rows[] = {
        {"none", {}, false, 64, ""},
        {"one a line", {"a.exe", "b.dll"}, false, 64, "a.exe\r\nb.dll"},
        {"the last fits exactly", {"a.exe", "b.dll"}, false, 13, "a.exe\r\nb.dll"},
        {"one byte short", {"a.exe", "b.dll"}, false, 12, "a.exe\r\n..."},
        {"more beyond the list", {"a.exe"}, true, 64, "a.exe\r\n..."},
        {"nothing fits", {"a-very-long-name.exe"}, false, 8, "..."},
        {"nothing fits, size 1", {"a.exe"}, false, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        char out[64];
        formatNameLines(row.names.data(), row.names.size(), row.more, out, row.size);
        EXPECT_STREQ(out, row.expected);
        EXPECT_LT(std::string(out).size(), row.size);
    }
}

}  // namespace
}  // namespace setup
