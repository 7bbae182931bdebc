// The package's extra texts (format/extension_table.h) as the setup program
// keeps them: read once, right after the configuration record, from the
// extension table that ScalarSettings.extensionTable names, each text this
// program knows copied with its terminator. A package without a table has
// none, and every accessor gives its fallback. Pure code over the caller's
// read function; extra_texts_load.cpp reads the running program's package.
#ifndef PACKAGE_EXTRA_TEXTS_H
#define PACKAGE_EXTRA_TEXTS_H

#include <cstddef>
#include <cstdint>

#include "format/extension_table.h"

namespace setup {

struct ExtraTexts {
    bool present[fmt::kExtraTextIdEnd];
    char text[fmt::kExtraTextIdEnd][fmt::kMaxExtraTextLength];
};

enum class ExtraTextsRead {
    ok,        // read, or the package has no table
    damaged,   // the table or the record breaks its layout: error code 1
    checksum,  // a record's crc32 differs: error code 8
};

// Reads the table at package-relative `tableOffset` (0: none), which must lie
// behind the package header and end exactly at `configOffset`, and the first
// extra-texts record in it into `out`; a table without one leaves `out`
// empty. `scratch` holds the record: kMaxExtraTextsSize bytes. Records of
// other tags are passed over unread. `out` is emptied first and stays empty
// unless the result is ok.
ExtraTextsRead readExtraTexts(std::uint32_t tableOffset, std::uint32_t configOffset,
                              fmt::PackageReadAt read, void* context, std::uint8_t* scratch,
                              ExtraTexts& out);

// Empties `out` and copies into it every text this program knows of an
// extra-texts record that passed fmt::checkExtraTexts.
void fillExtraTexts(const std::uint8_t* data, std::size_t size, ExtraTexts& out);

// The text `id` of `texts`, or `fallback` when it holds none (an unknown id
// included).
const char* extraText(const ExtraTexts& texts, std::uint16_t id, const char* fallback);

// The running program's extra texts (extra_texts_load.cpp): empty until
// loadExtraTexts.
extern ExtraTexts packageExtraTexts;

// After loadSetupConfig: reads the running program's extra texts through
// seekPackage and readPackage. Raises error code 1 for a damaged table or
// record, 8 for a checksum that differs.
void loadExtraTexts();

// extraText of the running program's package.
inline const char* extraText(std::uint16_t id, const char* fallback) {
    return extraText(packageExtraTexts, id, fallback);
}

// extraText of the running program's package, with the text's built-in
// English default (fmt::kExtraTexts) as the fallback; "" for an id without one.
const char* extraText(std::uint16_t id);

}  // namespace setup

#endif
