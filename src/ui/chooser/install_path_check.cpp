#include "ui/chooser/install_path_check.h"

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/paths/install_path.h"
#include "engine/removal/removal_places.h"
#include "package/extra_texts.h"
#include "package/setup_config.h"
#include "ui/chooser/folder_rows.h"
#include "ui/message_box.h"

namespace setup {

bool driveExists(char letter) {
    const int index = driveLetterIndex(letter);
    return index >= 0 && (GetLogicalDrives() & (1u << index)) != 0;
}

bool validateInstallPath(HWND dialog, char* text, std::size_t size) {
    InstallPathProblem problem = checkInstallPath(text, size, driveExists);
    if (problem == InstallPathProblem::none && !isAbsoluteInstallPath(text))
        problem = InstallPathProblem::badDrive;

    const fmt::TextSlots& texts = config().texts;
    std::uint32_t message = 0;
    UINT icon = 0;
    switch (problem) {
    case InstallPathProblem::none: break;
    case InstallPathProblem::empty: message = texts.msgPathEmpty; break;
    case InstallPathProblem::tooLong: message = texts.msgPathTooLong; break;
    case InstallPathProblem::badChars: message = texts.msgBadChars; icon = MB_ICONERROR; break;
    case InstallPathProblem::badDrive: message = texts.msgBadDrive; icon = MB_ICONERROR; break;
    }
    if (problem != InstallPathProblem::none) {
        showMessageBox(dialog, configText(message), configText(texts.titleInvalidPath), MB_OK | icon);
        return false;
    }
    if (!RemovalPlaces().usableInstallFolder(text)) {
        char refusal[fmt::kMaxExtraTextLength + fmt::kMaxPath];
        formatBounded(refusal, sizeof refusal, extraText(fmt::kExtraTextFolderNotAllowed), text);
        showMessageBox(dialog, refusal, configText(texts.titleInvalidPath), MB_OK | MB_ICONERROR);
        return false;
    }
    // At most 151 characters: installDir holds them.
    copyBounded(installDir, text);
    return true;
}

}  // namespace setup
