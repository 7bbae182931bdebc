// The builder's digests use the one SHA-256 the programs share.
#ifndef MKPACKAGE_SHA256_H
#define MKPACKAGE_SHA256_H

#include "format/sha256.h"

namespace mkpackage {

using fmt::Sha256;

}  // namespace mkpackage

#endif
