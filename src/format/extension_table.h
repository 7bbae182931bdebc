// The package's extension table: tagged, sized, checksummed records that
// carry what the original layout has no room for. The builder writes the
// table between the last component's entries and the configuration block,
// and names it in ScalarSettings.extensionTable, a field older setup programs
// never read; a package without extensions has 0 there and is byte for byte
// what it was before the table existed.
//
//   ExtensionTableHeader (12)   "XTNS", recordCount, tableSize
//   ExtensionRecord (12)        tag, size, crc32 of the data
//     data (size bytes)         zero-padded to a multiple of 4
//   ExtensionRecord ...
//   (the table ends where the configuration block begins)
//
// Readers meet a tag they do not know and pass over it. Every offset and size
// is checked against the table's bounds in 64-bit arithmetic before use.
// Portable C++, no allocation in the reader: the setup program uses it too.
#ifndef FORMAT_EXTENSION_TABLE_H
#define FORMAT_EXTENSION_TABLE_H

#include <cstddef>

#include "format/package_format.h"

namespace fmt {

inline constexpr char kExtensionMagic[4] = {'X', 'T', 'N', 'S'};
inline constexpr u32 kMaxExtensionRecords = 64;
// A record's data, at most: far above any use, and small enough that a
// reader may hold one record in memory.
inline constexpr u32 kMaxExtensionSize = 16u * 1024 * 1024;

constexpr u32 extensionTag(char a, char b, char c, char d) {
    return u32(u8(a)) | u32(u8(b)) << 8 | u32(u8(c)) << 16 | u32(u8(d)) << 24;
}

// Every tag a reader of this version knows, defined once here.
enum ExtensionTag : u32 {
    // Texts beyond the 90 slots of the configuration record (ExtraTextId).
    kExtensionExtraTexts = extensionTag('T', 'E', 'X', 'T'),
    // The components every installation takes, whatever the selection: one
    // u32 mask (bit i: component i). The builder names there the component
    // that holds the uninstaller when the uninstall entry or its shortcut
    // starts it.
    kExtensionAlwaysInstalled = extensionTag('I', 'N', 'S', 'T'),
    // The package's languages and the texts of each after the first
    // (language_table.h); only in a package with more than one language.
    kExtensionLanguages = extensionTag('L', 'A', 'N', 'G'),
    // How each component's stream is stored (format/stream_methods.h).
    kExtensionStreamMethods = extensionTag('M', 'E', 'T', 'H'),
};

#pragma pack(push, 1)

struct ExtensionTableHeader {
    char magic[4];    // "XTNS"
    u32 recordCount;  // at most kMaxExtensionRecords
    u32 tableSize;    // bytes of the whole table, this header included
};

struct ExtensionRecord {
    u32 tag;   // ExtensionTag
    u32 size;  // data bytes that follow, before the padding
    u32 crc;   // zlib crc32 of the data, from 0
};

// One text of an extra-texts record; `length` bytes of 8-bit text follow,
// without a terminator. Ids ascend through the record.
struct ExtraTextHeader {
    u16 id;      // ExtraTextId
    u16 length;  // less than kMaxExtraTextLength
};

#pragma pack(pop)

static_assert(sizeof(ExtensionTableHeader) == 12);
static_assert(offsetof(ExtensionTableHeader, recordCount) == 4);
static_assert(offsetof(ExtensionTableHeader, tableSize) == 8);
static_assert(sizeof(ExtensionRecord) == 12);
static_assert(offsetof(ExtensionRecord, size) == 4);
static_assert(offsetof(ExtensionRecord, crc) == 8);
static_assert(sizeof(ExtraTextHeader) == 4);

// An extra text fits the program's 512-byte text buffers with its terminator.
inline constexpr u32 kMaxExtraTextLength = 512;

// Bytes a record takes in the table: its header, its data and the padding.
constexpr std::uint64_t extensionRecordSpan(u32 size) {
    return sizeof(ExtensionRecord) + ((std::uint64_t(size) + 3) & ~std::uint64_t(3));
}

// ---- reading ----------------------------------------------------------------

// Where one record's data lies, package-relative.
struct ExtensionEntry {
    u32 tag;
    u32 dataOffset;
    u32 size;
    u32 crc;
};

struct ExtensionDirectory {
    u32 count = 0;
    ExtensionEntry entries[kMaxExtensionRecords];
};

// Reads `size` bytes at package-relative `offset` into `buffer`; false when
// they cannot all be read.
using PackageReadAt = bool (*)(void* context, u32 offset, void* buffer, u32 size);

enum class ExtensionProblem {
    none,
    misplaced,      // the table does not lie between the entries and the configuration block
    readFailed,     // a header could not be read
    badMagic,       // no "XTNS" at the offset
    tooManyRecords, // more than kMaxExtensionRecords
    badSize,        // tableSize disagrees with the table's place or its records
    recordTooLarge, // a record's data exceeds kMaxExtensionSize or the table
};

// Reads the table's headers at `tableOffset` and lists its records. The table
// must begin at or after `entriesEnd` (the end of the stored files, or the
// package header when the caller does not know it) and end exactly at
// `configOffset`. Record data is not read: readExtensionData checks it.
ExtensionProblem readExtensionDirectory(u32 tableOffset, u32 entriesEnd, u32 configOffset, PackageReadAt read,
                                        void* context, ExtensionDirectory& out);

const char* extensionProblemText(ExtensionProblem problem);

// The index-th record of `tag` in table order, or nullptr.
const ExtensionEntry* findExtension(const ExtensionDirectory& directory, u32 tag, u32 index = 0);

// Reads a record's data into `buffer` (`capacity` bytes) and checks its
// crc32. False when it does not fit, cannot be read or its checksum differs.
enum class ExtensionRead { ok, tooLarge, readFailed, checksum };
ExtensionRead readExtensionData(const ExtensionEntry& entry, PackageReadAt read, void* context, void* buffer,
                                std::size_t capacity);

// ---- extra texts --------------------------------------------------------------

// Texts of the extra-texts record, by number. Numbers are never reused.
// The first ones fill the system's uninstall entry beside DisplayName.
enum ExtraTextId : u16 {
    kExtraTextNone = 0,
    kExtraTextPublisher = 1,       // "Publisher"; also the version resource's CompanyName
    kExtraTextDisplayVersion = 2,  // "DisplayVersion"; the product version when absent
    kExtraTextAboutUrl = 3,        // "URLInfoAbout"
    kExtraTextHelpUrl = 4,         // "HelpLink"
    kExtraTextContact = 5,         // "Contact"
    kExtraTextComments = 6,        // "Comments"
    kExtraTextDisplayIcon = 7,     // "DisplayIcon": a stored file, relative to the install folder
    // Shown at the end of a run whose removal of the previous installation
    // left files behind; "%s" is the list of them.
    kExtraTextPreviousLeftovers = 8,
    // Shown when the destination folder is a drive's or share's root, or
    // the Windows or system folder or one that holds them; "%s" is the folder.
    kExtraTextFolderNotAllowed = 9,
    // The files-in-use question: its lead-in when the system named the
    // programs that hold the files, the one when it lists the files
    // themselves, and its Retry and Ignore buttons (Cancel is captionCancel).
    kExtraTextProgramsInUse = 10,
    kExtraTextFilesInUse = 11,
    kExtraTextRetryButton = 12,
    kExtraTextIgnoreButton = 13,
    // Shown at the start after an installation whose process was killed
    // has been undone.
    kExtraTextInterruptedUndone = 14,
    // Shown at the start when such an installation cannot be undone; "%s"
    // is the list of folders that keep what it moved aside.
    kExtraTextInterruptedKept = 15,
    // Shown, before anything is changed, when a folder the programs take
    // from the system (the temporary, Windows or system folder, the user's
    // Desktop or Programs) has a name the code page cannot spell and no
    // short name; "%s" is the folder with "?" for what cannot be spelt.
    kExtraTextFolderNameUnusable = 16,
    // The language question of a package with several languages: its
    // title and its prompt above the list of the languages' names.
    kExtraTextLanguageTitle = 17,
    kExtraTextLanguagePrompt = 18,
};
// One above the highest id this version knows.
inline constexpr u16 kExtraTextIdEnd = 19;

// An extra text's name in a description's [texts], the text a package
// without it stands for, and what the setup program formats it with.
struct ExtraTextInfo {
    u16 id;
    const char* name;
    const char* defaultText;  // built-in English
    const char* arguments;    // as text_formats.h: "s" for one "%s"
};

inline constexpr ExtraTextInfo kExtraTexts[] = {
    {kExtraTextPreviousLeftovers, "msgPreviousLeftovers",
     "These files of the previous installation could not be removed and stay where they are:\n\n%s", "s"},
    {kExtraTextFolderNotAllowed, "msgFolderNotAllowed",
     "%s cannot be the destination folder: it is the root of a drive or network share, or the "
     "Windows or system folder or a folder that holds them. Choose another folder.", "s"},
    {kExtraTextProgramsInUse, "msgProgramsInUse",
     "These programs use files that Setup must replace or remove. Close them and choose Retry, or choose "
     "Ignore to go on and have the files replaced when the computer restarts.", ""},
    {kExtraTextFilesInUse, "msgFilesInUse",
     "These files, which Setup must replace or remove, are in use by another program. Close it and choose "
     "Retry, or choose Ignore to go on and have the files replaced when the computer restarts.", ""},
    {kExtraTextRetryButton, "captionRetry", "&Retry", ""},
    {kExtraTextIgnoreButton, "captionIgnore", "&Ignore", ""},
    {kExtraTextInterruptedUndone, "msgInterruptedUndone",
     "An earlier installation of this product was interrupted before it ended. Everything it had changed "
     "has been undone.", ""},
    {kExtraTextInterruptedKept, "msgInterruptedKept",
     "An earlier installation of this product was interrupted before it ended, and its record cannot be "
     "trusted, so nothing of it was undone. What it moved aside stays in these folders:\n\n%s", "s"},
    {kExtraTextFolderNameUnusable, "msgFolderNameUnusable",
     "The folder %s has a name that this system's code page cannot spell (\"?\" marks what it "
     "lacks), and its drive gives it no short name to use instead. Setup has changed nothing. "
     "With short names switched on for that drive, or as a user whose folders the code page can "
     "spell, Setup can install.", "s"},
    {kExtraTextLanguageTitle, "captionLanguage", "Setup Language", ""},
    {kExtraTextLanguagePrompt, "msgChooseLanguage", "Select the language to use during the installation:", ""},
};

// The entry of `id`, or nullptr.
const ExtraTextInfo* findExtraTextInfo(u16 id);

// A well-formed always-installed record: exactly one u32.
inline constexpr u32 kAlwaysInstalledSize = 4;

// An extra-texts record holds at most this many bytes: every id of a u16
// once would be far more than any package needs.
inline constexpr u32 kMaxExtraTextsSize = 64 * 1024;

// True when an extra-texts record is well formed: at most
// kMaxExtraTextsSize bytes, every text lies inside the data, is shorter than
// kMaxExtraTextLength and holds no zero byte, and the ids ascend strictly.
bool checkExtraTexts(const u8* data, std::size_t size);

// The text of `id` in a record that passed checkExtraTexts: its bytes and
// length, or false when the record does not hold it.
bool findExtraText(const u8* data, std::size_t size, u16 id, const char*& text, std::size_t& length);

}  // namespace fmt

#endif
