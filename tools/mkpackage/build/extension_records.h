// The records of the package's extension table (format/extension_table.h)
// that a description asks for. The table is written only when there is a
// record: a package without one is byte for byte what it was before the
// table existed.
#ifndef MKPACKAGE_EXTENSION_RECORDS_H
#define MKPACKAGE_EXTENSION_RECORDS_H

#include <vector>

#include "description/description.h"
#include "format/extension_writer.h"

namespace mkpackage {

// In table order: the extra texts, when the description gives any, then
// the always-installed components, when there are any, then the languages,
// when the description has translations.
std::vector<fmt::ExtensionRecordData> extensionRecords(const Description& description);

// The languages record (format/language_table.h) of a description with
// translations: the description's own language first.
std::vector<fmt::u8> languagesRecord(const Description& description);

}  // namespace mkpackage

#endif
