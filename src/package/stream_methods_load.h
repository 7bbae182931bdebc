// The stream-methods record of the running program's package
// (format/stream_methods.h), read with the other extension records.
#ifndef PACKAGE_STREAM_METHODS_LOAD_H
#define PACKAGE_STREAM_METHODS_LOAD_H

#include "format/extension_table.h"
#include "format/stream_methods.h"

namespace setup {

// Reads the record from `directory` when it holds one; a record that cannot
// be read, fails its checksum or is not well formed raises error code 1.
// Without the record every component is zlib.
void loadStreamMethods(const fmt::ExtensionDirectory& directory, fmt::PackageReadAt read);

const fmt::StreamMethods& streamMethods();

}  // namespace setup

#endif
