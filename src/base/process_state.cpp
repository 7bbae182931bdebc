#include "base/process_state.h"

namespace setup {

char installDir[fmt::kMaxPath];
char currentPath[fmt::kMaxPath];
char currentDir[fmt::kMaxPath];
char bootDrive = 'C';
bool isWindowsNT;
bool installDirectX;
bool rebootRequired;
bool configLoaded;
bool endingRun;
bool unattendedRun;

char bootDriveFromWindowsDir(const char* windowsDir) {
    if (windowsDir[0] != '\0' && windowsDir[1] == ':') return windowsDir[0];
    return 'C';
}

}  // namespace setup
