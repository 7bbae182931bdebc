// `mkpackage new`: a starter product that builds as it is: a commented
// description with every default text, a five-page wizard, generated
// placeholder pictures and a few files to install.
#ifndef MKPACKAGE_STARTER_PRODUCT_H
#define MKPACKAGE_STARTER_PRODUCT_H

#include <filesystem>

namespace mkpackage {

// Creates `folder` (which must not exist, or be empty) and writes the
// product into it. Throws InputError.
void writeStarterProduct(const std::filesystem::path& folder);

}  // namespace mkpackage

#endif
