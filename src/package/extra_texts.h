// The setup program's texts beyond the 90 slots of the configuration record:
// the package's extra-texts record (format/extension_table.h), or for a text
// the package does not hold, its built-in English default.
#ifndef PACKAGE_EXTRA_TEXTS_H
#define PACKAGE_EXTRA_TEXTS_H

#include <cstdint>

namespace setup {

// The text of `id` (fmt::ExtraTextId), terminated; never nullptr. Valid
// until the next call.
const char* extraText(std::uint16_t id);

}  // namespace setup

#endif
