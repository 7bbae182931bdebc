// The compression keys of a description's [options]: `compression` ("zlib",
// the default, or "lzma") and, for LZMA, `dictionary-mib`, the size of each
// independent block in MiB, which is also its dictionary (1..12, default 8).
#ifndef MKPACKAGE_COMPRESSION_FIELDS_H
#define MKPACKAGE_COMPRESSION_FIELDS_H

#include "description/description.h"
#include "description/field_reader.h"

namespace mkpackage {

void readCompressionFields(const FieldReader& reader, const toml::table& options, Description& description);

}  // namespace mkpackage

#endif
