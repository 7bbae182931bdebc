// The records of the package's extension table that the setup program reads
// (format/extension_table.h), read once after the configuration is loaded.
// A package without a table has none of them; the readers of each record
// (package/extra_texts.h, alwaysInstalledComponents) then fall back to what
// such a package always meant.
#ifndef PACKAGE_PACKAGE_EXTENSIONS_H
#define PACKAGE_PACKAGE_EXTENSIONS_H

#include <cstddef>
#include <cstdint>

namespace setup {

// Reads the table that ScalarSettings.extensionTable names. A table or a
// known record that is misplaced, cut short or fails its checksum raises
// error code 1, as damaged package data does; an extra-texts record larger
// than the program keeps is passed over (its texts fall back).
void readPackageExtensions();

// The extra-texts record as read: its bytes and size (0: none).
const std::uint8_t* extraTextsRecord(std::size_t& size);

// The components every installation takes (the always-installed record),
// limited to the package's components; 0 without the record.
std::uint32_t alwaysInstalledComponents();

}  // namespace setup

#endif
