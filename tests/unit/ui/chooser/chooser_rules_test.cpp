// The directory chooser's folder rows and the replace question's figures:
// what a typed path shows, the bounds of every path and text built.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/chooser/folder_rows.h"
#include "ui/text/file_figures.h"

namespace setup {
namespace {

// A tree of folders by full path (no closing backslash), and the rows made.
class FakeFolders final : public FolderListSource {
public:
    explicit FakeFolders(std::set<std::string> folders) : folders_(std::move(folders)) {}

    bool isFolder(const char* path) override { return folders_.count(path) != 0; }

    void forEachSubfolder(const char* pattern, SubfolderVisitor& visitor) override {
        patterns.push_back(pattern);
        std::string parent = pattern;
        parent.resize(parent.size() - 4);  // "\*.*"
        for (const std::string& folder : folders_) {
            if (folder.size() > parent.size() + 1 && folder.compare(0, parent.size(), parent) == 0 &&
                folder[parent.size()] == '\\' && folder.find('\\', parent.size() + 1) == std::string::npos)
                visitor.subfolder(folder.c_str() + parent.size() + 1);
        }
    }

    void addRow(std::uint32_t depth, const char* path, FolderIcon icon) override {
        rows.push_back(std::to_string(depth) + (icon == FolderIcon::open ? " open " : " closed ") + path);
    }

    std::vector<std::string> rows;
    std::vector<std::string> patterns;

private:
    std::set<std::string> folders_;
};

TEST(FolderRows, RootExistingFoldersAlongThePathThenTheDeepestOnesSubfolders) {
    const std::set<std::string> tree = {"C:\\Games", "C:\\Games\\Demo", "C:\\Games\\Demo\\Music",
                                        "C:\\Games\\Demo\\Levels", "C:\\Games\\Other", "C:\\Tools",
                                        "\\\\srv\\share\\Apps"};
    struct Case {
        const char* typed;
        const char* root;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        // The root alone: its sub-folders one level down.
        {"C:\\", "C:\\", {"0 open C:\\", "1 closed C:\\Games\\", "1 closed C:\\Tools\\"}},
        // Two missing components add no row; the deepest existing folder is listed.
        {"C:\\Games\\Demo\\New\\Deeper\\", "C:\\",
         {"0 open C:\\", "1 open C:\\Games\\", "2 open C:\\Games\\Demo\\",
          "3 closed C:\\Games\\Demo\\Levels\\", "3 closed C:\\Games\\Demo\\Music\\"}},
        // A missing folder in the middle leaves the depth where it was.
        {"C:\\Missing\\Games", "C:\\", {"0 open C:\\", "1 closed C:\\Games\\", "1 closed C:\\Tools\\"}},
        // Without a closing backslash; a folder without sub-folders.
        {"C:\\Games\\Other", "C:\\", {"0 open C:\\", "1 open C:\\Games\\", "2 open C:\\Games\\Other\\"}},
        {"\\\\srv\\share\\Apps\\", "\\\\srv\\share\\", {"0 open \\\\srv\\share\\", "1 open \\\\srv\\share\\Apps\\"}},
        // A folder without a drive has no root: no rows.
        {"Games\\", "", {}},
    };
    for (const Case& c : cases) {
        FakeFolders folders(tree);
        fillFolderRows(c.typed, c.root, folders);
        EXPECT_EQ(folders.rows, c.rows) << c.typed;
    }
}

// Every row's path must fit 260 bytes with its closing backslash: a folder
// that would not is left out, and nothing below a left-out one is shown.
TEST(FolderRows, PathsThatWouldNotFitAreLeftOutNeverCut) {
    const std::string deep = "C:\\" + std::string(250, 'a');  // 253 characters
    const std::string deeper = deep + "\\bb";                 // 256: its row takes 258 bytes
    const std::string deepest = deeper + "\\ccc";             // 260: no row fits
    std::set<std::string> tree = {deep, deeper, deepest, deeper + "\\d", deeper + "\\eee"};
    FakeFolders folders(tree);
    fillFolderRows((deepest + "\\more").c_str(), "C:\\", folders);
    // The search of "<deeper>\*.*" (260 characters) does not fit either.
    const std::vector<std::string> expected = {"0 open C:\\", "1 open " + deep + "\\", "2 open " + deeper + "\\"};
    EXPECT_EQ(folders.rows, expected);
    EXPECT_TRUE(folders.patterns.empty());

    // Listing a folder of 254 characters: a child of one character fits
    // (258 bytes), one of four would need 261.
    const std::string parent = "C:\\" + std::string(251, 'p');
    FakeFolders children({parent, parent + "\\x", parent + "\\yyyy"});
    fillFolderRows(parent.c_str(), "C:\\", children);
    ASSERT_EQ(children.rows.size(), 3u);
    EXPECT_EQ(children.rows[2], "2 closed " + parent + "\\x\\");

    char path[fmt::kMaxPath] = "stale";
    EXPECT_FALSE(childFolderPath(path, sizeof path, parent.c_str(), "yyyy"));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(childFolderPath(path, sizeof path, "C:", "Games"));
    EXPECT_STREQ(path, "C:\\Games\\");
}

TEST(FolderRows, SortKeysOrderByDepthThenNameAndAlwaysFit) {
    char key[kDirListKeySize];
    formatDirListKey(key, sizeof key, 2, "Music");
    EXPECT_STREQ(key, "00000002 Music");
    formatDirListKey(key, sizeof key, 0x1A, "");
    EXPECT_STREQ(key, "0000001A ");
    const std::string longName(300, 'n');
    formatDirListKey(key, sizeof key, 1, longName.c_str());
    EXPECT_EQ(std::string(key), "00000001 " + std::string(kDisplayNameSize - 1, 'n'));

    EXPECT_EQ(driveIndexOfPath("c:\\x"), 2);
    EXPECT_EQ(driveIndexOfPath("Z:"), 25);
    EXPECT_EQ(driveIndexOfPath("1:\\"), -1);
    EXPECT_EQ(driveIndexOfPath("\\\\srv"), -1);
    EXPECT_EQ(driveIndexOfPath(""), -1);
    EXPECT_EQ(driveLetterIndex('@'), -1);
    EXPECT_EQ(driveLetterIndex('['), -1);
}

TEST(FileFigures, SizeDateAndTimeStayWholeWhateverTheLeadIn) {
    char figures[kFileFiguresSize];
    composeFileFigures(figures, sizeof figures, "2.86 MB", "modified on ",
                       "Saturday, February 03, 2001, 4:05:06 AM");
    EXPECT_STREQ(figures, "2.86 MB\nmodified on Saturday, February 03, 2001, 4:05:06 AM");

    // The longest date and time a locale may give, a size of 37 characters
    // and a lead-in of 600: the lead-in is cut, the figures stay whole.
    const std::string size(kSizeTextSize - 1, '9');
    const std::string when = std::string(kDateTextSize - 1, 'D') + ", " + std::string(kDateTextSize - 1, 'T');
    const std::string leadIn(600, 'm');
    composeFileFigures(figures, sizeof figures, size.c_str(), leadIn.c_str(), when.c_str());
    const std::string text = figures;
    EXPECT_EQ(text.size(), kFileFiguresSize - 1);
    EXPECT_EQ(text.substr(0, size.size() + 1), size + "\n");
    EXPECT_EQ(text.substr(text.size() - when.size()), when);
    EXPECT_EQ(text.find_first_not_of('m', size.size() + 1), text.size() - when.size());

    // A destination too small for the figures cuts them at its end.
    char small[8];
    composeFileFigures(small, sizeof small, "1 KB", "on ", "Monday");
    EXPECT_STREQ(small, "1 KB\nMo");
}

}  // namespace
}  // namespace setup
