// The project's uninstaller in a product's package. A description that asks
// for the system's uninstall entry or the uninstaller's shortcut gets the
// uninstaller stored in its first component under the configured uninstaller
// name, unless a component already holds a file of that name (the product's
// own uninstaller) or the description opts out ([uninstaller] bundle = false).
#ifndef MKPACKAGE_BUNDLED_UNINSTALLER_H
#define MKPACKAGE_BUNDLED_UNINSTALLER_H

#include <filesystem>

#include "description/description.h"

namespace mkpackage {

enum class UninstallerSource {
    notAsked,    // neither the uninstall entry nor its shortcut
    optedOut,    // [uninstaller] bundle = false
    productsOwn, // a component holds a file of the uninstaller's name
    bundled,     // the project's uninstaller was added to the first component
};

// Adds the uninstaller at `image` to `description` when it asks for one.
// Throws InputError when it must be added but cannot be: no image (name one
// with --uninstaller), an image that cannot be read, no component to hold
// it, or an uninstaller name that is no valid stored name.
UninstallerSource addBundledUninstaller(Description& description, const std::filesystem::path& image);

// The uninstaller shipped with this mkpackage: next to mkpackage.exe on
// Windows; the win32 build tree's (named at configure time, or found near
// this program) elsewhere. Empty when there is none.
std::filesystem::path defaultUninstallerImage();

}  // namespace mkpackage

#endif
