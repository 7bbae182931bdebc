// The spelling of the system's folders in the code page: exactly, by the
// short form, or not at all; never a best fit.
#include <gtest/gtest.h>

#include <string>

#include "engine/paths/system_folder_name.h"
#include "fake_code_page.h"

using setup::Spelling;
using testing_support::FakeCodePage;
using testing_support::FakeShortNames;

namespace {

TEST(SystemFolderName, SpeltExactlyOrByTheShortFormNeverByABestFit) {
    struct Case {
        const char* what;
        std::u16string wide;
        std::u16string shortForm;  // empty: none
        std::size_t size;
        Spelling spelling;
        const char* spelt;
    };
    const Case cases[] = {
        {"a name the code page holds", u"C:\\Windows", u"C:\\WINDOWS", 260, Spelling::exact, "C:\\Windows"},
        {"Latin-1 letters are exact", u"C:\\users\\Zoë\\Desktop", u"", 260, Spelling::exact,
         "C:\\users\\Zo\xeb\\Desktop"},
        {"a letter it lacks: the short form, the closing backslash kept", u"C:\\users\\Łukasz\\Temp\\",
         u"C:\\users\\_UKA~INY\\Temp", 260, Spelling::shortForm, "C:\\users\\_UKA~INY\\Temp\\"},
        {"a silent best fit is caught by the way back", u"C:\\users\\łukasz", u"C:\\users\\_UKA~INY", 260,
         Spelling::shortForm, "C:\\users\\_UKA~INY"},
        {"no short form", u"C:\\users\\Łukasz\\Desktop", u"", 260, Spelling::none, ""},
        {"short names switched off: the long name again", u"C:\\Łódź", u"C:\\Łódź", 260, Spelling::none, ""},
        {"a short form the code page cannot hold either", u"C:\\Łódź", u"C:\\ŁÓDŹ", 260, Spelling::none, ""},
        {"a spelling that does not fit", u"C:\\Windows", u"", 10, Spelling::none, ""},
        {"nothing", u"", u"", 260, Spelling::none, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCodePage codePage;
        FakeShortNames shortNames;
        if (!c.shortForm.empty()) shortNames.existing[c.wide] = c.shortForm;
        char out[260] = "left over";
        EXPECT_EQ(setup::spellSystemName(c.wide.c_str(), codePage, shortNames, out, c.size), c.spelling);
        EXPECT_STREQ(out, c.spelt);
    }
}

}  // namespace
