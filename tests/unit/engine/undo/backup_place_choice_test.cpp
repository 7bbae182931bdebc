#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/undo/backup_place_choice.h"

using namespace setup;

namespace {

std::vector<std::string> placesOf(const char* root, const char* installDir, const char* fileFolder,
                                  std::size_t size = 260) {
    std::vector<std::string> places;
    char place[260];
    for (std::size_t i = 0; i < 300 && backupPlaceAt(root, installDir, fileFolder, i, place, size); ++i)
        places.push_back(place);
    return places;
}

}  // namespace

// The root first; then the install folder's way, shallowest first, when it
// lies on the volume; then the file's own folders that are not on that way
// already. Nothing on another volume, nothing cut short.
TEST(BackupPlaceChoice, RootThenTheInstallFoldersWayThenTheFilesOwn) {
    struct Row {
        const char *what, *root, *installDir, *fileFolder;
        std::vector<std::string> places;
    };
    const std::vector<Row> rows = {
        {"a file of the install folder, on a drive", "R:\\", "R:\\Product\\", "R:\\Product\\",
         {"R:\\", "R:\\Product\\"}},
        {"a deeper install folder and a file in a folder of its own", "R:\\", "R:\\Games\\Product\\",
         "r:\\games\\product\\data\\",
         {"R:\\", "R:\\Games\\", "R:\\Games\\Product\\", "r:\\games\\product\\data\\"}},
        {"a previous installation elsewhere on the volume", "\\\\server\\share\\", "\\\\server\\share\\New\\",
         "\\\\server\\share\\Old\\Bin\\",
         {"\\\\server\\share\\", "\\\\server\\share\\New\\", "\\\\server\\share\\Old\\",
          "\\\\server\\share\\Old\\Bin\\"}},
        {"the install folder on another volume", "C:\\", "R:\\Product\\", "C:\\Users\\Desktop\\",
         {"C:\\", "C:\\Users\\", "C:\\Users\\Desktop\\"}},
        {"a volume mounted in a folder", "C:\\Mount\\Disk\\", "C:\\Mount\\Disk\\Product\\",
         "C:\\Mount\\Disk\\Product\\", {"C:\\Mount\\Disk\\", "C:\\Mount\\Disk\\Product\\"}},
        {"a file at the root itself", "R:\\", "R:\\Product\\", "R:\\", {"R:\\", "R:\\Product\\"}},
        {"doubled backslashes end the way", "R:\\", "R:\\A\\\\B\\", "R:\\A\\\\B\\", {"R:\\", "R:\\A\\"}},
        {"a root without its backslash", "R:", "R:\\Product\\", "R:\\Product\\", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(placesOf(row.root, row.installDir, row.fileFolder), row.places);
    }
    // A place that does not fit the buffer ends the list there.
    EXPECT_EQ(placesOf("R:\\", "R:\\Product\\", "R:\\Product\\", 8), std::vector<std::string>{"R:\\"});
}
