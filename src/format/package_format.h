// The on-disk layout of an installer: one definition shared by the setup
// program (which reads it) and the package builder (which writes it).
//
//   setup.exe file
//   +---------------------------+  offset 0
//   | program image             |  padded to a multiple of 4
//   +---------------------------+  packageStart (4-aligned)
//   | PackageHeader (28)        |  "VeLo", 0xDEADBABE, totals, configOffset
//   | FileEntry + name + chunk  |  component 0, entries in storage order;
//   |   table + chunks ...      |  one zlib stream per component
//   | ... component 1 ...       |
//   | ExtensionTable (optional) |  "XTNS", tagged records (extension_table.h)
//   | ConfigBlockHeader (20)    |  "-DOOFUS-", sizes, crc32
//   | compressed SetupConfig    |  last thing in the file
//   +---------------------------+
//
//   SetupConfig (decompressed, at most 787,426 bytes)
//   0x00000  90 text slots          (offsets from the record start)
//   0x00168  32 page slots
//   0x001E8  32 component slots
//   0x00268  48 blob slots
//   0x00328  UninstallSection: 110-byte header + 262,144-byte log area
//   0x40396  76 bytes of scalar settings
//   0x403E2  data area: texts, page items, components, blobs
//
// Every integer is little-endian and every record is packed without
// alignment; the u32 settings of SetupConfig lie at offsets that leave a
// remainder of 2 when divided by 4. Portable C++: no <windows.h> here.
#ifndef FORMAT_PACKAGE_FORMAT_H
#define FORMAT_PACKAGE_FORMAT_H

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the package records are read in place: little-endian hosts only");

namespace fmt {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using i32 = std::int32_t;

// ---- constants -------------------------------------------------------------

// The package magic is kept as four characters and the signature as a
// separate number: the setup program must never hold the two words next to
// each other, or the scan would find its own image instead of the package.
inline constexpr char kPackageMagic[4] = {'V', 'e', 'L', 'o'};
inline constexpr u32 kPackageSignature = 0xDEADBABEu;
inline constexpr char kConfigMagic[8] = {'-', 'D', 'O', 'O', 'F', 'U', 'S', '-'};
inline constexpr char kFileEntryMagic[4] = {'F', 'I', 'L', 'E'};
inline constexpr char kUninstallMagic[8] = {'V', 'L', 'U', 'n', 'I', 'n', 's', 't'};
inline constexpr u16 kUninstallVersion = 0x0101;

inline constexpr u32 kConfigAreaSize = 787426;   // reserved area for SetupConfig
inline constexpr u32 kChunkSize = 16384;         // unpacked bytes per chunk
inline constexpr u32 kChunkCrcSize = 4;          // CRC-32 in front of each chunk
inline constexpr u32 kMaxChunkLength = 32772;    // stored chunk: 32 KiB of data + CRC
inline constexpr u32 kDecodeBufferSize = 32768;  // input and output buffers of the reader
inline constexpr u32 kLogAreaSize = 262144;      // UninstallSection.data
inline constexpr u32 kLogAreaLimit = 261888;     // usedBytes + L may not exceed this
inline constexpr u32 kScanStep = 32768;          // locator reads this much per step
inline constexpr u32 kMaxPath = 260;             // path buffers, terminator included
inline constexpr u32 kMaxNameLength = 259;       // FileEntry.nameLength limit
inline constexpr u32 kFieldTextSize = 128;       // Component.name, InstallAction.argN

inline constexpr u32 kTextSlotCount = 90;
inline constexpr u32 kMaxPages = 32;
inline constexpr u32 kMaxComponents = 32;
inline constexpr u32 kMaxBlobs = 48;
inline constexpr u32 kSlotCount = kTextSlotCount + kMaxPages + kMaxComponents + kMaxBlobs;  // 202
inline constexpr u32 kImageIndexCount = 6;
inline constexpr u32 kUninstallTextCount = 19;
inline constexpr u32 kDirectXReasonCount = 14;

// Predefined registry roots as stored in InstallAction.rootKey and LogEntry.value.
inline constexpr u32 kRootCurrentUser = 0x80000001u;
inline constexpr u32 kRootLocalMachine = 0x80000002u;

// SetupConfig.flags
inline constexpr u32 kFlagDesktopShortcuts = 1u << 0;
inline constexpr u32 kFlagStartMenuShortcuts = 1u << 1;
inline constexpr u32 kFlagUninstallEntry = 1u << 2;
inline constexpr u32 kFlagUninstallShortcut = 1u << 3;

// InstallAction.type
enum ActionType : u32 {
    kActionDesktopShortcut = 1,
    kActionProgramsShortcut = 2,
    kActionRegistryValue = 3,
    kActionRemoveFile = 4,
    kActionRemoveFileFlagged = 5,
    kActionRemoveKey = 6,
    kActionRemoveKeyFlagged = 7,
};

// LogEntry.kind
enum LogKind : u8 { kLogFile = 1, kLogFolder = 2, kLogRegistryKey = 3 };

// Blob.kind
enum BlobKind : u32 { kBlobBitmap = 1, kBlobIcon = 2, kBlobAnimation = 3 };

// ImageIndexTable entries
enum ImageIndex : u32 {
    kImageProgressAnimation = 0,
    kImageUpdatingSystem = 1,
    kImageUndoing = 2,
    kImageRemovingPrevious = 3,
    kImageReplaceDialog = 4,
    kImageDirectXCleanup = 5,
};

// PageItem.type
enum PageItemType : u32 {
    kItemEnd = 0,
    kItemText = 1,
    kItemImage = 2,
    kItemSpaceAbove = 3,
    kItemIndentLeft = 4,
    kItemIndentRight = 5,
    kItemDestinationGroup = 6,
    kItemRequiredSpaceText = 7,
    kItemDesktopCheckBox = 8,
    kItemStartMenuCheckBox = 9,
    kItemDirectXVersionText = 10,
    kItemDirectXYesRadio = 11,
    kItemDirectXNoRadio = 12,
    kItemPreset1Radio = 13,
    kItemDefaultSelectionRadio = 14,
    kItemPreset3Radio = 15,
};

// PageItem.flags
inline constexpr u32 kItemAnchorBottom = 0x001;
inline constexpr u32 kItemAlignLeft = 0x002;
inline constexpr u32 kItemAlignRight = 0x004;
inline constexpr u32 kItemAlignCenter = 0x008;
inline constexpr u32 kItemFontLarge = 0x010;
inline constexpr u32 kItemFontSmall = 0x020;
inline constexpr u32 kItemFaceTimes = 0x040;
inline constexpr u32 kItemFaceArial = 0x080;
inline constexpr u32 kItemBold = 0x100;
inline constexpr u32 kItemItalic = 0x200;
inline constexpr u32 kItemUnderline = 0x400;

#pragma pack(push, 1)

// ---- package ---------------------------------------------------------------

struct PackageHeader {
    char magic[4];          // "VeLo"
    u32 signature;          // 0xDEADBABE
    u32 reserved;           // the texts' code page from our writer; never read by the setup program
    u32 totalUnpackedSize;  // sum of Component.unpackedSize
    u32 totalPackedSize;    // sum of Component.packedSize
    u32 fileEntryCount;     // sum of Component.fileCount
    u32 configOffset;       // ConfigBlockHeader, from the package start
};

struct ConfigBlockHeader {
    char magic[8];      // "-DOOFUS-"
    u32 unpackedSize;   // record size after decompression; informative only
    u32 packedSize;     // compressed bytes that follow
    u32 crc;            // zlib crc32 of the compressed bytes, from 0
};

struct FileTime {
    u32 low;
    u32 high;
};

// Followed by nameLength bytes of name, ceil(unpackedSize / 16384) u16 chunk
// lengths, and the chunks (u32 CRC-32 + compressed bytes each).
struct FileEntry {
    char magic[4];        // "FILE"
    u32 unpackedSize;
    u32 storedSize;       // 2 * chunks + sum of chunk lengths; not read by setup
    FileTime fileTime;    // creation, access and write time of the extracted file
    u32 attributes;       // of the source file; not read by setup
    u16 componentIndex;
    u16 nameLength;       // at most 259
};

// ---- configuration record --------------------------------------------------

struct InstallAction {
    u32 type;                    // ActionType
    u32 unused;                  // 0
    u32 rootKey;                 // types 3, 6, 7: kRootLocalMachine or kRootCurrentUser
    char arg1[kFieldTextSize];
    char arg2[kFieldTextSize];
    char arg3[kFieldTextSize];
};

// Followed by actionCount InstallAction records.
struct Component {
    char name[kFieldTextSize];
    u32 firstEntryOffset;  // package-relative
    i32 unpackedSize;
    i32 packedSize;        // sum of FileEntry.storedSize
    u32 fileCount;
    u32 actionCount;
};

// Followed by size bytes of file data (bitmap, icon or AVI file).
struct Blob {
    u32 kind;                  // BlobKind; not read by setup
    char fileName[kMaxPath];   // name in the temporary folder
    char tempPath[kMaxPath];   // run time: full path once written
    u32 size;
    u32 imageHandle;           // run time: loaded image
    i32 width;                 // bitmap size in pixels
    i32 height;
};

// Followed by dataSize bytes: a terminated text, or one i32.
struct PageItem {
    u32 type;   // PageItemType; 0 ends the page
    u32 flags;
    u32 dataSize;
};

// Followed by L bytes of terminated text, L = strlen + 1 rounded up to 4.
struct LogEntry {
    u8 kind;    // LogKind
    u8 flag;    // 0 or 1, for the uninstaller
    u32 next;   // data-area offset of the following entry
    u32 value;  // root key for kind 3, else 0
};

// The uninstaller section; the InstallLog file is its first 110 + usedBytes bytes.
struct UninstallHeader {
    char magic[8];  // "VLUnInst"
    u16 version;    // 0x0101
    u32 textOffsets[kUninstallTextCount];  // from the section start
    u32 firstEntryOffset;                  // from the section start
    u32 savedFirstEntryOffset;
    u32 entryCount;
    u32 savedEntryCount;
    u32 usedBytes;                         // of the data area
    u32 savedUsedBytes;
};

struct UninstallSection {
    UninstallHeader header;
    u8 data[kLogAreaSize];
};

// The 90 text slots, by field name. Each holds an offset from the record
// start in the package; the setup program turns it into a pointer in place.
struct TextSlots {
    u32 productName;
    u32 productVersion;
    u32 registryKey;
    u32 defaultInstallDir;
    u32 uninstallLogName;
    u32 textUpdatingSystem;
    u32 textUndoing;
    u32 textRemovingPrevious;
    u32 msgLogNotFound;
    u32 msgLogCorrupt;
    u32 msgLowDiskSpace;
    u32 msgConfirmInstall;
    u32 msgConfirmUpgrade;
    u32 msgConfirmReinstall;
    u32 msgNewerInstalled;
    u32 msgConfirmQuit;
    u32 msgCanceled;
    u32 uninstallerName;
    u32 msgLogWriteFailed;
    u32 uninstallDisplayName;
    u32 uninstallShortcutName;
    u32 captionOk;
    u32 captionCancel;
    u32 captionYes;
    u32 captionYesToAll;
    u32 captionNo;
    u32 captionNetwork;
    u32 captionBrowse;
    u32 progressTitle;
    u32 progressFileFormat;
    u32 progressGroupFormat;
    u32 titlePrompt;
    u32 titleError;
    u32 titleMessage;
    u32 titleWizard;
    u32 msgDoneStartMenu;
    u32 msgDoneDesktop;
    u32 msgDoneFolder;
    u32 msgDoneReboot;
    u32 replaceTitle;
    u32 replaceExists;
    u32 replaceQuestion;
    u32 replaceWithThis;
    u32 replaceModifiedOn;
    u32 replaceNoInfo;
    u32 chooseDirTitle;
    u32 titleInvalidPath;
    u32 labelDirName;
    u32 labelDrives;
    u32 msgCreateDir;
    u32 labelSpaceRequired;
    u32 labelSpaceFree;
    u32 msgPathIsFile;
    u32 msgPathEmpty;
    u32 msgPathTooLong;
    u32 msgBadDrive;
    u32 msgBadChars;
    u32 textSizeUnknown;
    u32 errArchiveCorrupt;
    u32 errCreateFile;
    u32 errCloseFile;
    u32 errCreatePath;
    u32 errWriteFile;
    u32 errOutOfMemory;
    u32 errReadPackage;
    u32 errCrc;
    u32 errRegistry;
    u32 errUnknownCode;
    u32 dxVersionUnknown;
    u32 dxVersionNotFound;
    u32 dxExtractTitle;
    u32 dxExtractGroupText;
    u32 dxExtractFileFormat;
    u32 dxTextCleanup;
    u32 unused128;
    u32 dxMsgFailed;
    u32 dxReasons[kDirectXReasonCount];
};

struct ScalarSettings {
    u32 imageIndexTable[kImageIndexCount];
    u32 pageCount;
    u32 componentCount;
    u32 blobCount;
    // Package-relative offset of the extension table (extension_table.h),
    // 0 when the package has none. A field older setup programs never read.
    u32 extensionTable;
    u32 flags;
    u32 requiredDirectXVersion;
    i32 directXPageIndex;
    u32 directXComponentMask;
    u32 selectionPreset1;
    u32 defaultSelection;
    u32 selectionPreset3;
    u32 controlExStyle;
    u32 textAlignment;
};

// The fixed part of the record; the data area follows it.
struct SetupConfig {
    TextSlots texts;
    u32 pages[kMaxPages];
    u32 components[kMaxComponents];
    u32 blobs[kMaxBlobs];
    UninstallSection uninstall;
    ScalarSettings settings;
};

#pragma pack(pop)

// ---- compile-time checks of every size and offset --------------------------

static_assert(sizeof(PackageHeader) == 28);
static_assert(offsetof(PackageHeader, signature) == 4);
static_assert(offsetof(PackageHeader, reserved) == 8);
static_assert(offsetof(PackageHeader, totalUnpackedSize) == 12);
static_assert(offsetof(PackageHeader, totalPackedSize) == 16);
static_assert(offsetof(PackageHeader, fileEntryCount) == 20);
static_assert(offsetof(PackageHeader, configOffset) == 24);

static_assert(sizeof(ConfigBlockHeader) == 20);
static_assert(offsetof(ConfigBlockHeader, unpackedSize) == 8);
static_assert(offsetof(ConfigBlockHeader, packedSize) == 12);
static_assert(offsetof(ConfigBlockHeader, crc) == 16);

static_assert(sizeof(FileEntry) == 28);
static_assert(offsetof(FileEntry, unpackedSize) == 4);
static_assert(offsetof(FileEntry, storedSize) == 8);
static_assert(offsetof(FileEntry, fileTime) == 12);
static_assert(offsetof(FileEntry, attributes) == 20);
static_assert(offsetof(FileEntry, componentIndex) == 24);
static_assert(offsetof(FileEntry, nameLength) == 26);

static_assert(sizeof(InstallAction) == 396);
static_assert(offsetof(InstallAction, rootKey) == 8);
static_assert(offsetof(InstallAction, arg1) == 12);
static_assert(offsetof(InstallAction, arg2) == 140);
static_assert(offsetof(InstallAction, arg3) == 268);

static_assert(sizeof(Component) == 148);
static_assert(offsetof(Component, firstEntryOffset) == 128);
static_assert(offsetof(Component, unpackedSize) == 132);
static_assert(offsetof(Component, packedSize) == 136);
static_assert(offsetof(Component, fileCount) == 140);
static_assert(offsetof(Component, actionCount) == 144);

static_assert(sizeof(Blob) == 540);
static_assert(offsetof(Blob, fileName) == 4);
static_assert(offsetof(Blob, tempPath) == 264);
static_assert(offsetof(Blob, size) == 524);
static_assert(offsetof(Blob, imageHandle) == 528);
static_assert(offsetof(Blob, width) == 532);
static_assert(offsetof(Blob, height) == 536);

static_assert(sizeof(PageItem) == 12);
static_assert(offsetof(PageItem, flags) == 4);
static_assert(offsetof(PageItem, dataSize) == 8);

static_assert(sizeof(LogEntry) == 10);
static_assert(offsetof(LogEntry, flag) == 1);
static_assert(offsetof(LogEntry, next) == 2);
static_assert(offsetof(LogEntry, value) == 6);

static_assert(sizeof(UninstallHeader) == 110);
static_assert(offsetof(UninstallHeader, version) == 8);
static_assert(offsetof(UninstallHeader, textOffsets) == 10);
static_assert(offsetof(UninstallHeader, firstEntryOffset) == 86);
static_assert(offsetof(UninstallHeader, savedFirstEntryOffset) == 90);
static_assert(offsetof(UninstallHeader, entryCount) == 94);
static_assert(offsetof(UninstallHeader, savedEntryCount) == 98);
static_assert(offsetof(UninstallHeader, usedBytes) == 102);
static_assert(offsetof(UninstallHeader, savedUsedBytes) == 106);
static_assert(sizeof(UninstallSection) == 262254);

static_assert(sizeof(TextSlots) == kTextSlotCount * 4);
static_assert(offsetof(TextSlots, productName) == 0x000);
static_assert(offsetof(TextSlots, textUpdatingSystem) == 0x014);
static_assert(offsetof(TextSlots, uninstallerName) == 0x044);
static_assert(offsetof(TextSlots, captionOk) == 0x054);
static_assert(offsetof(TextSlots, progressTitle) == 0x070);
static_assert(offsetof(TextSlots, titleWizard) == 0x088);
static_assert(offsetof(TextSlots, msgDoneReboot) == 0x098);
static_assert(offsetof(TextSlots, replaceTitle) == 0x09C);
static_assert(offsetof(TextSlots, chooseDirTitle) == 0x0B4);
static_assert(offsetof(TextSlots, labelSpaceRequired) == 0x0C8);
static_assert(offsetof(TextSlots, msgBadChars) == 0x0E0);
static_assert(offsetof(TextSlots, errArchiveCorrupt) == 0x0E8);
static_assert(offsetof(TextSlots, errRegistry) == 0x108);
static_assert(offsetof(TextSlots, errUnknownCode) == 0x10C);
static_assert(offsetof(TextSlots, dxVersionUnknown) == 0x110);
static_assert(offsetof(TextSlots, dxTextCleanup) == 0x124);
static_assert(offsetof(TextSlots, unused128) == 0x128);
static_assert(offsetof(TextSlots, dxMsgFailed) == 0x12C);
static_assert(offsetof(TextSlots, dxReasons) == 0x130);

static_assert(sizeof(ScalarSettings) == 76);
static_assert(offsetof(ScalarSettings, pageCount) == 0x403AE - 0x40396);
static_assert(offsetof(ScalarSettings, componentCount) == 0x403B2 - 0x40396);
static_assert(offsetof(ScalarSettings, blobCount) == 0x403B6 - 0x40396);
static_assert(offsetof(ScalarSettings, extensionTable) == 0x403BA - 0x40396);
static_assert(offsetof(ScalarSettings, flags) == 0x403BE - 0x40396);
static_assert(offsetof(ScalarSettings, requiredDirectXVersion) == 0x403C2 - 0x40396);
static_assert(offsetof(ScalarSettings, directXPageIndex) == 0x403C6 - 0x40396);
static_assert(offsetof(ScalarSettings, directXComponentMask) == 0x403CA - 0x40396);
static_assert(offsetof(ScalarSettings, selectionPreset1) == 0x403CE - 0x40396);
static_assert(offsetof(ScalarSettings, defaultSelection) == 0x403D2 - 0x40396);
static_assert(offsetof(ScalarSettings, selectionPreset3) == 0x403D6 - 0x40396);
static_assert(offsetof(ScalarSettings, controlExStyle) == 0x403DA - 0x40396);
static_assert(offsetof(ScalarSettings, textAlignment) == 0x403DE - 0x40396);

static_assert(offsetof(SetupConfig, pages) == 0x168);
static_assert(offsetof(SetupConfig, components) == 0x1E8);
static_assert(offsetof(SetupConfig, blobs) == 0x268);
static_assert(offsetof(SetupConfig, uninstall) == 0x328);
static_assert(offsetof(SetupConfig, settings) == 0x40396);
static_assert(sizeof(SetupConfig) == 0x403E2);

inline constexpr u32 kDataAreaOffset = sizeof(SetupConfig);  // 0x403E2
inline constexpr u32 kUninstallSectionOffset = offsetof(SetupConfig, uninstall);
static_assert(kSlotCount * 4 == kUninstallSectionOffset);

// Bytes of a component record with its actions, in 64 bits: a stored count
// near 2^30 must not wrap into a small size.
constexpr std::uint64_t componentRecordSize(u32 actionCount) {
    return sizeof(Component) + std::uint64_t(actionCount) * sizeof(InstallAction);
}
static_assert(componentRecordSize(0xFFFFFFFFu) > 0xFFFFFFFFull);

// Chunks of a file of the given size: ceil(size / 16384).
constexpr u32 chunkCount(u32 unpackedSize) {
    return unpackedSize / kChunkSize + (unpackedSize % kChunkSize != 0 ? 1 : 0);
}

// Bytes a log entry takes for a text of the given length.
constexpr u32 logTextSize(u32 textLength) { return (textLength + 1 + 3) & ~3u; }

}  // namespace fmt

#endif
