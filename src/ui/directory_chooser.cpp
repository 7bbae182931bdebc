#include "ui/directory_chooser.h"

namespace setup {

// Until the chooser is built, Browse leaves the folder as it is.
void runDirectoryChooser(HWND) {}

}  // namespace setup
