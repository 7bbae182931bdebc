// The setup program's wide command line spelt for its option parser: what
// the code page holds stays as it is, a folder it cannot hold goes by its
// short form, and anything else is a bad option, never a best fit.
#include <gtest/gtest.h>

#include <string>

#include "../../engine/paths/fake_code_page.h"
#include "setup/options/wide_arguments.h"

using testing_support::FakeCodePage;
using testing_support::FakeShortNames;

namespace {

TEST(WideArguments, SpellsEachOptionOrRefusesIt) {
    struct Case {
        const char* what;
        std::u16string line;
        bool spelt;
        const char* out;
        const char* error;  // a part of the refusal's text
    };
    const Case cases[] = {
        {"plain options", u"/S /D=C:\\Program Files\\App", true, "/S /D=C:\\Program Files\\App ", ""},
        {"the longest option", u"/COMPONENTS=" + std::u16string(1000, u'c'), true, nullptr, ""},
        {"a folder that does not exist", u"/S /D=C:\\Łódź\\App", false, "/S ", "/D holds a character"},
        {"an existing folder by its short form", u"/S /D=C:\\Zażółć", true, "/S /D=C:\\ZA__~3BM ", ""},
        {"quoted whole", u"\"/D=C:\\Zażółć\"", true, "/D=C:\\ZA__~3BM ", ""},
        {"quoted value with a blank", u"/D=\"C:\\Zażółć dir\" ", true, "/D=C:\\ZA__~1 ", ""},
        {"a log file is no folder", u"/LOG=C:\\Łog.txt /S", false, "/S ", "/LOG holds"},
        {"a component name", u"/COMPONENTS=Łódź /S", false, "/S ", "/COMPONENTS holds"},
        {"an option's own name", u"/Ś", false, "", "an option holds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCodePage codePage;
        FakeShortNames folders;
        folders.existing[u"C:\\Zażółć"] = u"C:\\ZA__~3BM";
        folders.existing[u"C:\\Zażółć dir"] = u"C:\\ZA__~1";
        char out[setup::kSpeltArgumentsSize];
        setup::OptionError error;
        EXPECT_EQ(setup::spellSetupArguments(c.line.c_str(), codePage, folders, out, sizeof out, error), c.spelt);
        EXPECT_STREQ(out, c.out != nullptr ? c.out : (std::string("/COMPONENTS=") + std::string(1000, 'c') + " ").c_str());
        EXPECT_EQ(error.failed, !c.spelt);
        EXPECT_NE(std::string(error.text).find(c.error), std::string::npos) << error.text;
        // What was spelt reads as the options it stands for.
        setup::SetupOptions options;
        if (c.spelt) {
            EXPECT_TRUE(setup::parseSetupOptions(out, options, error)) << error.text;
        }
    }
}

TEST(WideArguments, SkipsTheProgramNameAsTheRuntimeDoes) {
    EXPECT_EQ(std::u16string(setup::skipWideProgramName(u"\"C:\\users\\Łukasz\\Downloads\\setup.exe\"  /S")),
              u"/S");
    EXPECT_EQ(std::u16string(setup::skipWideProgramName(u"C:\\Łódź\\setup.exe\t/D=C:\\A B")), u"/D=C:\\A B");
    EXPECT_EQ(std::u16string(setup::skipWideProgramName(u"\"C:\\no closing quote")), u"");
}

}  // namespace
