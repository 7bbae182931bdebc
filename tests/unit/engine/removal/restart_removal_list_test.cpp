#include <gtest/gtest.h>

#include <string>

#include "engine/removal/restart_removal_list.h"

using namespace setup;

namespace {

// WININIT.INI's "[rename]" section gets one "NUL=" line more; every line
// of other programs stays (repeated keys too), a line already there is not
// doubled, and a result that would not fit is refused whole.
TEST(RestartRemovalList, AddsOneDeletionAndKeepsEveryLine) {
    using namespace std::string_literals;
    struct Row {
        const char* what;
        std::string section;  // as GetPrivateProfileSectionA gives it, without its last terminator
        std::string expected;
    };
    const char* path = "C:\\WINDOWS\\TEMP\\~UNINS~1\\~UNINST.EXE";
    const std::string line = "NUL="s + path + '\0';
    const Row rows[] = {
        {"an empty section", "", line + '\0'},
        {"other programs' deletions and renames", "NUL=C:\\A.DLL\0NUL=C:\\B.DLL\0C:\\X.DLL=C:\\Y.DLL\0"s,
         "NUL=C:\\A.DLL\0NUL=C:\\B.DLL\0C:\\X.DLL=C:\\Y.DLL\0"s + line + '\0'},
        {"the line is there already, in another case", "nul=c:\\windows\\temp\\~unins~1\\~uninst.exe\0"s,
         "nul=c:\\windows\\temp\\~unins~1\\~uninst.exe\0\0"s},
        {"a last line without its terminator", "NUL=C:\\A.DLL"s, "NUL=C:\\A.DLL\0"s + line + '\0'},
        {"an empty line ends the list", "NUL=C:\\A.DLL\0\0NUL=C:\\B.DLL\0"s, "NUL=C:\\A.DLL\0"s + line + '\0'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        char out[512];
        ASSERT_TRUE(sectionWithDeletion(row.section.data(), row.section.size(), path, out, sizeof out));
        EXPECT_EQ(std::string(out, row.expected.size()), row.expected);
        // Exactly as long as needed: one byte less is refused.
        EXPECT_FALSE(sectionWithDeletion(row.section.data(), row.section.size(), path, out,
                                         row.expected.size() - 1));
    }
}

}  // namespace
