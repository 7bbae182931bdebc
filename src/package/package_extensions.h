// The records of the package's extension table that the setup program reads
// (format/extension_table.h), read once after the configuration is loaded.
// A package without a table has none of them; alwaysInstalledComponents then
// falls back to what such a package always meant. The extra texts are read
// with the configuration record (package/extra_texts.h).
#ifndef PACKAGE_PACKAGE_EXTENSIONS_H
#define PACKAGE_PACKAGE_EXTENSIONS_H

#include <cstddef>
#include <cstdint>

namespace setup {

// Reads the table that ScalarSettings.extensionTable names. A table or a
// known record that is misplaced, cut short or fails its checksum raises
// error code 1, as damaged package data does.
void readPackageExtensions();

// The components every installation takes (the always-installed record),
// limited to the package's components; 0 without the record.
std::uint32_t alwaysInstalledComponents();

}  // namespace setup

#endif
