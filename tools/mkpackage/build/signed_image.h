// A program image that is already signed cannot take a package: the package
// would follow the certificate table, where the signature does not cover it
// and where the setup program, which stops its scan at the table, never looks.
#ifndef MKPACKAGE_SIGNED_IMAGE_H
#define MKPACKAGE_SIGNED_IMAGE_H

#include <filesystem>

namespace mkpackage {

// Throws InputError when the image's security entry names a certificate
// table (sign the finished installer instead: build --sign).
void refuseSignedImage(const std::filesystem::path& image);

}  // namespace mkpackage

#endif
