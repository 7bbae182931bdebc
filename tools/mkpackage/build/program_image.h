// The installer's program image: the setup program with a version resource
// that names the product (FileDescription "<name> Setup", ProductName,
// ProductVersion, FileVersion, CompanyName, LegalCopyright) and, when the
// description names an installer-icon, that icon as its icon group 20. The
// same inputs give the same bytes: the resource holds no date.
#ifndef MKPACKAGE_PROGRAM_IMAGE_H
#define MKPACKAGE_PROGRAM_IMAGE_H

#include <filesystem>

#include "description/description.h"
#include "image/resource_tree.h"
#include "image/version_resource.h"

namespace mkpackage {

// The version resource's fields for a description.
VersionInfo versionInfoFor(const DeploymentSpec& deployment);

// `image` (the bytes of the file at `path`, named in messages) with the
// product's resources. Throws InputError when its resources cannot be
// rewritten.
ImageBytes programImageFor(const Description& description, const ImageBytes& image, const std::filesystem::path& path);

}  // namespace mkpackage

#endif
