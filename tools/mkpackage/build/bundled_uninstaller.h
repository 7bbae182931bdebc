// The project's uninstaller in a product's package. A description that asks
// for the system's uninstall entry or the uninstaller's shortcut gets the
// uninstaller stored under the configured uninstaller name in a component of
// its own, "Uninstaller", added after the product's, unless a component
// already holds a file of that name (the product's own uninstaller) or the
// description opts out ([uninstaller] bundle = false). The component that
// holds the uninstaller is installed with every selection: its bit joins the
// default selection and both presets, and the package's always-installed
// record names it for the selections the setup program makes itself
// (/COMPONENTS=), so that the entry and the shortcut never start nothing.
#ifndef MKPACKAGE_BUNDLED_UNINSTALLER_H
#define MKPACKAGE_BUNDLED_UNINSTALLER_H

#include <filesystem>

#include "description/description.h"

namespace mkpackage {

enum class UninstallerSource {
    notAsked,    // neither the uninstall entry nor its shortcut
    optedOut,    // [uninstaller] bundle = false
    productsOwn, // a component holds a file of the uninstaller's name
    bundled,     // the project's uninstaller was added in a component of its own
};

// Adds the uninstaller at `image` to `description` when it asks for one.
// Throws InputError when it must be added but cannot be: no image (name one
// with --uninstaller), an image that cannot be read, no component to hold
// it, no room for another component, a component already named
// "Uninstaller", the product's own uninstaller in a DirectX component, or an
// uninstaller name that is no valid stored name.
UninstallerSource addBundledUninstaller(Description& description, const std::filesystem::path& image);

// The name of the bundled uninstaller's component.
inline constexpr char kUninstallerComponentName[] = "Uninstaller";

// Refuses (InputError) an uninstaller image that is not the project's
// uninstaller: a PE32 GUI program for i686 with its usage text.
void checkUninstallerImage(const std::filesystem::path& image);

// The uninstaller shipped with this mkpackage: next to mkpackage.exe on
// Windows; the win32 build tree's (named at configure time, or found near
// this program) elsewhere. Empty when there is none.
std::filesystem::path defaultUninstallerImage();

}  // namespace mkpackage

#endif
