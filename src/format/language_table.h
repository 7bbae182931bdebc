// The languages record of the extension table (tag kExtensionLanguages):
// the package's languages and, for each one after the first, every text a
// run shows, in that language's 8-bit code page. The configuration record
// holds the first language's texts; a package with one language has no
// languages record and is what it was before there were languages.
//
//   LanguagesHeader (8)          languageCount, flags (kLanguagesAskUser)
//   LanguageEntry (96) x count   code, own name, code page, language ids,
//                                where its texts lie in the record
//   texts of language 1 ...      one LanguageTextsHeader and its texts,
//                                for every language but the first
//
//   LanguageTextsHeader (12)     slotCount (90), uninstallTextCount (19),
//                                pageTextCount, reserved (0), extraTextsSize
//     slotCount texts            the text slots in record order, each ended by 0
//     uninstallTextCount texts   the uninstaller's texts, each ended by 0
//     pageTextCount texts        the pages' texts by position: the data of each
//                                item that holds a text (isPageTextItem), pages
//                                and items in record order, each ended by 0
//     extraTextsSize bytes       an extra-texts record (ExtraTextHeader form)
//
// Entry 0 is the first language: its texts are the configuration record's,
// so its textsOffset and textsSize are 0. Offsets count from the record's
// first byte. The reader checks every count, offset and terminator in 64-bit
// arithmetic and allocates nothing: the setup program uses it too.
#ifndef FORMAT_LANGUAGE_TABLE_H
#define FORMAT_LANGUAGE_TABLE_H

#include <cstddef>

#include "format/package_format.h"

namespace fmt {

// At most this many languages, the first included.
inline constexpr u32 kMaxLanguages = 32;
// A whole languages record, at most: room for every language's texts.
inline constexpr u32 kMaxLanguagesSize = 1024 * 1024;
// Texts translated by position on the pages, at most, in each language.
inline constexpr u32 kMaxPageTexts = 1024;
// A code holds lower-case letters, digits and "-" and one terminator at least.
inline constexpr u32 kLanguageCodeSize = 8;
// An own name, 8-bit in the language's code page, with its terminator.
inline constexpr u32 kLanguageNameSize = 64;
// The uninstaller's texts of a language leave at least this much of the
// uninstall log's area for its entries.
inline constexpr u32 kLanguageLogRoom = 4096;

#pragma pack(push, 1)

struct LanguagesHeader {
    u32 languageCount;  // 2 to kMaxLanguages
    u32 flags;          // kLanguagesAskUser or 0
};

// The run asks the user for the language (among those the system can show)
// before its first question.
inline constexpr u32 kLanguagesAskUser = 0x1;

struct LanguageEntry {
    char code[kLanguageCodeSize];  // "de"; zero bytes after it
    char name[kLanguageNameSize];  // "Deutsch"; zero-terminated
    u32 codePage;                  // the ANSI code page of its texts
    u16 primaryLanguage;           // primary language id (0x07: German)
    u16 subLanguage;               // sub-language id; 0: any
    u32 textsOffset;               // of its LanguageTextsHeader; 0 for entry 0
    u32 textsSize;                 // header and texts; 0 for entry 0
    u32 reserved[2];               // 0
};

struct LanguageTextsHeader {
    u16 slotCount;           // kTextSlotCount
    u16 uninstallTextCount;  // kUninstallTextCount
    u16 pageTextCount;       // at most kMaxPageTexts
    u16 reserved;            // 0
    u32 extraTextsSize;      // the extra-texts record at the end of the block
};

#pragma pack(pop)

static_assert(sizeof(LanguagesHeader) == 8);
static_assert(sizeof(LanguageEntry) == 96);
static_assert(offsetof(LanguageEntry, name) == 8);
static_assert(offsetof(LanguageEntry, codePage) == 72);
static_assert(offsetof(LanguageEntry, primaryLanguage) == 76);
static_assert(offsetof(LanguageEntry, subLanguage) == 78);
static_assert(offsetof(LanguageEntry, textsOffset) == 80);
static_assert(offsetof(LanguageEntry, textsSize) == 84);
static_assert(sizeof(LanguageTextsHeader) == 12);
static_assert(offsetof(LanguageTextsHeader, extraTextsSize) == 8);

// True for the page items whose data is a text a translation replaces.
bool isPageTextItem(u32 type);

enum class LanguagesProblem {
    none,
    tooLarge,       // more than kMaxLanguagesSize bytes
    cutShort,       // the header or the entries lie beyond the data
    badCount,       // fewer than 2 or more than kMaxLanguages languages, or unknown flags
    badEntry,       // a code, name or code page breaks its rules, or a code is given twice
    badTextsPlace,  // a language's texts lie outside the record, or the first's are not empty
    badTexts,       // a text lacks its terminator, a count differs, or the extra texts are damaged
    logTooFull,     // the uninstaller's texts leave no room for the uninstall log
};

const char* languagesProblemText(LanguagesProblem problem);

// Checks the whole record: header, entries and every language's texts.
LanguagesProblem checkLanguages(const u8* data, std::size_t size);

// In a record that passed checkLanguages: the number of languages, the
// header's flags and the entry of one (index below the count).
u32 languageCount(const u8* data);
u32 languagesFlags(const u8* data);
LanguageEntry languageAt(const u8* data, u32 index);

// One language's texts, pointing into the record.
struct LanguageTexts {
    const char* slots[kTextSlotCount];
    const char* uninstallTexts[kUninstallTextCount];
    const char* firstPageText;  // the pageTextCount texts follow one another
    u32 pageTextCount;
    const u8* extraTexts;
    u32 extraTextsSize;
};

// The texts of language `index` (1 or above) of a record that passed
// checkLanguages; false for the first language or an index beyond the count.
bool readLanguageTexts(const u8* data, std::size_t size, u32 index, LanguageTexts& out);

// The text after `text` in a run of zero-terminated texts.
inline const char* nextLanguageText(const char* text) {
    while (*text != '\0') ++text;
    return text + 1;
}

}  // namespace fmt

#endif
