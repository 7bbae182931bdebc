#include "description/name_texts.h"

#include <cstddef>
#include <cstring>

#include "format/text_formats.h"

namespace mkpackage {
namespace {

// "{}" stands for the product name.
struct NameText {
    std::size_t offset;
    const char* text;
};

constexpr NameText kNameTexts[] = {
    {offsetof(fmt::TextSlots, registryKey), "Software\\{}"},
    {offsetof(fmt::TextSlots, textRemovingPrevious), "Setup is now removing the previous installation of {}, please wait..."},
    {offsetof(fmt::TextSlots, msgLogNotFound), "The uninstall log of the previous installation could not be opened:\n%s\n\nSetup will install over it."},
    {offsetof(fmt::TextSlots, msgLogCorrupt), "The uninstall log of the previous installation is damaged:\n%s\n\nSetup will install over it."},
    {offsetof(fmt::TextSlots, msgLowDiskSpace), "There is not enough free space on the destination drive.\n\nInstall anyway?"},
    {offsetof(fmt::TextSlots, msgConfirmInstall), "This will install {} on your computer.\n\nDo you want to continue?"},
    {offsetof(fmt::TextSlots, msgConfirmUpgrade), "An older version of {} is installed.\n\nDo you want to upgrade it?"},
    {offsetof(fmt::TextSlots, msgConfirmReinstall), "This version of {} is already installed.\n\nDo you want to install it again?"},
    {offsetof(fmt::TextSlots, msgNewerInstalled), "A newer version of {} is already installed.\n\nSetup will exit."},
    {offsetof(fmt::TextSlots, msgConfirmQuit), "Setup is not complete. Do you really want to quit?"},
    {offsetof(fmt::TextSlots, msgCanceled), "Installation of {} was cancelled.\n\nNothing has been changed on your computer."},
    {offsetof(fmt::TextSlots, uninstallDisplayName), "{}"},
    {offsetof(fmt::TextSlots, uninstallShortcutName), "{}\\UnInstall {}"},
    {offsetof(fmt::TextSlots, progressTitle), "Installing {}"},
    {offsetof(fmt::TextSlots, titlePrompt), "{} Setup"},
    {offsetof(fmt::TextSlots, titleError), "{} Setup Error"},
    {offsetof(fmt::TextSlots, titleMessage), "{} Setup"},
    {offsetof(fmt::TextSlots, titleWizard), "{} Setup"},
    {offsetof(fmt::TextSlots, msgDoneStartMenu), "{} has been installed.\n\nYou will find it in the Start menu."},
    {offsetof(fmt::TextSlots, msgDoneDesktop), "{} has been installed.\n\nYou will find its shortcut on the desktop."},
    {offsetof(fmt::TextSlots, msgDoneFolder), "{} has been installed in\n%s"},
    {offsetof(fmt::TextSlots, msgDoneReboot), "{} has been installed. Windows must be restarted before you use it.\n\nRestart now?"},
    {offsetof(fmt::TextSlots, dxMsgFailed), "DirectX could not be installed:\n%s\n\nDo you want to continue installing {}?"},
};

}  // namespace

std::string textFromName(fmt::u32 slot, const std::string& name) {
    for (const NameText& entry : kNameTexts) {
        if (entry.offset / 4 != slot) continue;
        std::string shownName = name;
        if (fmt::formatArguments(static_cast<fmt::u32>(entry.offset)) != nullptr) {
            shownName.clear();
            for (char c : name) shownName += c == '%' ? std::string("%%") : std::string(1, c);
        }
        std::string out;
        for (const char* p = entry.text; *p != '\0'; ++p) {
            if (p[0] == '{' && p[1] == '}') {
                out += shownName;
                ++p;
            } else {
                out += *p;
            }
        }
        return out;
    }
    return {};
}

}  // namespace mkpackage
