// The texts a product gets from its name when its description leaves them
// out: every text slot without a built-in default (the captions, the
// questions, the completion and cancel messages, the uninstall entry's and
// shortcut's names, the registry key), so that a description with a name, a
// version and a component builds a complete installer.
#ifndef MKPACKAGE_NAME_TEXTS_H
#define MKPACKAGE_NAME_TEXTS_H

#include <string>

#include "format/package_format.h"

namespace mkpackage {

// The UTF-8 text of the slot with index `slot` made from the product's name
// (UTF-8), or an empty text for a slot that takes none (the name itself,
// the folder and log name, which have defaults of their own, and slots with
// a built-in default). In a text the setup program formats, a "%" of the
// name is written "%%".
std::string textFromName(fmt::u32 slot, const std::string& name);

}  // namespace mkpackage

#endif
