#include <gtest/gtest.h>

#include <string>

#include "format/stored_names.h"

using fmt::StoredNameProblem;

TEST(StoredNames, OneRuleForEveryName) {
    struct Case {
        std::string name;
        StoredNameProblem problem;
    };
    const Case cases[] = {
        {"a.txt", StoredNameProblem::none},
        {"Data\\Sub\\Deep\\x.bin", StoredNameProblem::none},
        {"..a", StoredNameProblem::none},
        {".hidden", StoredNameProblem::none},
        {"x\\.config", StoredNameProblem::none},
        {" leading blank", StoredNameProblem::none},
        {"CONSOLE.txt", StoredNameProblem::none},
        {"COM10", StoredNameProblem::none},
        {"mycon\\con1.txt", StoredNameProblem::none},
        {std::string(259, 'a'), StoredNameProblem::none},
        {"", StoredNameProblem::empty},
        {std::string(260, 'a'), StoredNameProblem::tooLong},
        {"\\abs.txt", StoredNameProblem::absolute},
        {"C:\\x", StoredNameProblem::driveOrStream},
        {"C:x", StoredNameProblem::driveOrStream},
        {"file.txt:stream", StoredNameProblem::driveOrStream},
        {"/abs.txt", StoredNameProblem::forbiddenCharacter},
        {"a/b.txt", StoredNameProblem::forbiddenCharacter},
        {"a*b", StoredNameProblem::forbiddenCharacter},
        {"tab\there", StoredNameProblem::forbiddenCharacter},
        {"a\\\\b", StoredNameProblem::emptyLevel},
        {"a\\", StoredNameProblem::emptyLevel},
        {"..\\x", StoredNameProblem::dotsOnlyLevel},
        {"a\\..\\..\\x", StoredNameProblem::dotsOnlyLevel},
        {"a\\.\\b", StoredNameProblem::dotsOnlyLevel},
        {"...\\x", StoredNameProblem::dotsOnlyLevel},
        {" \\x", StoredNameProblem::dotsOnlyLevel},
        {". .\\x", StoredNameProblem::dotsOnlyLevel},
        {"a..", StoredNameProblem::trailingDotOrBlank},
        {"dir.\\x", StoredNameProblem::trailingDotOrBlank},
        {"name ", StoredNameProblem::trailingDotOrBlank},
        {"CON", StoredNameProblem::deviceName},
        {"docs\\nul.txt", StoredNameProblem::deviceName},
        {"Aux.tar.gz", StoredNameProblem::deviceName},
        {"com1", StoredNameProblem::deviceName},
        {"LPT9.log", StoredNameProblem::deviceName},
        {"prn .txt", StoredNameProblem::deviceName},
        {"conout$", StoredNameProblem::deviceName},
        {"COM\xB9", StoredNameProblem::deviceName},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fmt::checkStoredName(c.name), c.problem) << '"' << c.name << '"';
    }
    EXPECT_STREQ(fmt::storedNameProblemText(StoredNameProblem::deviceName),
                 "names a device (CON, NUL, COM1, LPT1, ...), not a file");
}
