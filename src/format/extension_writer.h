// Writes the package's extension table (extension_table.h) for the builder
// and the tests: records in the order given, each padded to 4 bytes.
#ifndef FORMAT_EXTENSION_WRITER_H
#define FORMAT_EXTENSION_WRITER_H

#include <string>
#include <utility>
#include <vector>

#include "format/extension_table.h"

namespace fmt {

struct ExtensionRecordData {
    u32 tag;
    std::vector<u8> data;
};

// The whole table, header first. At most kMaxExtensionRecords records of at
// most kMaxExtensionSize bytes each (std::length_error otherwise).
std::vector<u8> writeExtensionTable(const std::vector<ExtensionRecordData>& records);

// An extra-texts record from (id, text) pairs in ascending id order, each
// text shorter than kMaxExtraTextLength and free of zero bytes
// (std::invalid_argument otherwise).
std::vector<u8> writeExtraTexts(const std::vector<std::pair<u16, std::string>>& texts);

}  // namespace fmt

#endif
