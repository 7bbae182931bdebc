#include "starter_product.h"

#include "input_error.h"

namespace mkpackage {

void writeStarterProduct(const std::filesystem::path& folder) {
    throw InputError(folder.string() + ": not written yet");
}

}  // namespace mkpackage
