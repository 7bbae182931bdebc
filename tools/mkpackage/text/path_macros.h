// What the setup program's path macros do to a text: "$$" becomes "$",
// "$(ExtrPath)" the install folder (ending with "\") and "$(BootDrive)" the
// letter of the drive that holds Windows, matched case-sensitively from the
// left. Only the default folder and the texts of registry-value actions are
// expanded; every other text is used as it stands.
#ifndef MKPACKAGE_PATH_MACROS_H
#define MKPACKAGE_PATH_MACROS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mkpackage {

// The longest install folder the setup program accepts from the user: 150
// typed characters and the closing "\".
inline constexpr std::size_t kMaxTypedInstallDirLength = 151;

// The longest registry key the builder lets through, expanded: the setup
// program's uninstall log and its own key buffers hold 259 characters.
inline constexpr std::size_t kMaxRegistryKeyLength = 259;

// Length of `text` once expanded with an install folder of
// `installDirLength` characters.
std::size_t expandedLength(std::string_view text, std::size_t installDirLength);

// The longest install folder a product can end up with: a typed one, or its
// default folder expanded at start-up (when "$(ExtrPath)" is still empty).
std::size_t worstInstallDirLength(std::string_view defaultFolder);

// The "$(...)" texts in `text` that the expansion leaves as they are (it
// knows only $(ExtrPath) and $(BootDrive)), each as written; "$$(" is a
// "$" and no macro. With `expanded` false, the known macros are listed as
// well: the text is not expanded at all.
std::vector<std::string> unexpandedMacros(std::string_view text, bool expanded);

}  // namespace mkpackage

#endif
