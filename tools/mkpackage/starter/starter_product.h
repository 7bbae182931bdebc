// `mkpackage new`: a starter product that builds as it is: a commented
// description with every default text, a five-page wizard, generated
// placeholder pictures and a few files to install.
#ifndef MKPACKAGE_STARTER_PRODUCT_H
#define MKPACKAGE_STARTER_PRODUCT_H

#include <filesystem>
#include <string>

namespace mkpackage {

// The first single-byte Windows code page (1252, 1250, 1251, 1253, ...)
// that holds every character of `productName`. Throws InputError saying
// which code page each character needs when no one holds them all.
unsigned starterCodePage(const std::string& productName);

// The description text of a starter product named `productName` (UTF-8),
// in the code page starterCodePage chooses.
std::string starterDescription(const std::string& productName);

// Creates `folder` (which must not exist, or be empty) with the starter
// product in it. The files are written into a temporary folder first, so a
// failure leaves nothing behind. Returns the description's code page.
// Throws InputError.
unsigned writeStarterProduct(const std::filesystem::path& folder, const std::string& productName = "My Product");

}  // namespace mkpackage

#endif
