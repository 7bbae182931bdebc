#include "engine/post_install.h"

#include <windows.h>

#include "package/setup_config.h"
#include "ui/blob_images.h"
#include "ui/notice_dialog.h"

namespace setup {

static HWND updatingPopup;

void showUpdatingStatus() {
    HICON icon = static_cast<HICON>(loadBlobImage(imageIndex(fmt::kImageUpdatingSystem), IMAGE_ICON));
    updatingPopup = showStatusPopup(configText(config().texts.textUpdatingSystem), icon);
}

void closeUpdatingStatus() {
    if (updatingPopup != nullptr) DestroyWindow(updatingPopup);
    updatingPopup = nullptr;
}

}  // namespace setup
