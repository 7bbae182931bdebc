#include "format/package_reader.h"

#include "format/language_table.h"
#include "format/stored_names.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <LzmaDec.h>

namespace fmt {
namespace {

// The first defect found; caught once, at the top of verifyPackage.
struct Defect : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& what) { throw Defect(what); }

u32 loadU32(const u8* p) {
    u32 v;
    std::memcpy(&v, p, 4);
    return v;
}

// Reads package-relative ranges of the installer, with short reads reported
// as the truncation they are.
class PackageSource {
public:
    PackageSource(std::istream& in, std::uint64_t fileSize, std::uint64_t start)
        : in_(in), fileSize_(fileSize), start_(start) {}

    std::uint64_t size() const { return fileSize_ - start_; }

    void read(std::uint64_t offset, void* buffer, std::size_t count, const char* what) {
        if (offset > size() || count > size() - offset) {
            fail(std::string("file is truncated: ") + what + " at package offset " +
                 std::to_string(offset) + " runs past the end of the file");
        }
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(start_ + offset));
        in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
        if (static_cast<std::size_t>(in_.gcount()) != count) {
            fail(std::string("read error: ") + what + " at package offset " + std::to_string(offset));
        }
    }

private:
    std::istream& in_;
    std::uint64_t fileSize_;
    std::uint64_t start_;
};

// A terminated text at `offset` inside the record.
std::string recordText(const std::vector<u8>& record, u32 offset, const std::string& what) {
    if (offset >= record.size()) fail(what + ": offset " + std::to_string(offset) + " lies outside the record");
    const u8* begin = record.data() + offset;
    const u8* end = static_cast<const u8*>(std::memchr(begin, 0, record.size() - offset));
    if (end == nullptr) fail(what + ": text runs past the end of the record");
    return std::string(reinterpret_cast<const char*>(begin), reinterpret_cast<const char*>(end));
}

// A text inside a fixed 128-byte field, which must hold its terminator.
std::string fieldText(const char (&field)[kFieldTextSize], const std::string& what) {
    const void* end = std::memchr(field, 0, kFieldTextSize);
    if (end == nullptr) fail(what + ": text fills its 128-byte field without a terminator");
    return std::string(field, static_cast<const char*>(end));
}

void checkRange(const std::vector<u8>& record, u32 offset, std::uint64_t length, const std::string& what) {
    if (offset > record.size() || length > record.size() - offset) {
        fail(what + " at record offset " + std::to_string(offset) + " runs past the end of the record");
    }
}

// A signing tool pads the file to a multiple of 8 with zeros before it
// appends the certificate table.
bool isSignaturePadding(PackageSource& source, std::uint64_t blockEnd, const PackageReport& report) {
    if (report.certificates.state != CertificateTableState::sound) return false;
    const std::uint64_t gap = source.size() - blockEnd;
    if (gap >= 8) return false;
    u8 padding[8] = {};
    source.read(blockEnd, padding, static_cast<std::size_t>(gap), "padding before the certificate table");
    for (std::uint64_t i = 0; i < gap; ++i) {
        if (padding[i] != 0) return false;
    }
    return true;
}

// The security entry of the image's headers.
void findCertificates(std::istream& in, PackageReport& report) {
    std::vector<u8> head(static_cast<std::size_t>(std::min<std::uint64_t>(report.fileSize, kImageHeadSize)));
    in.clear();
    in.seekg(0);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    if (static_cast<std::size_t>(in.gcount()) != head.size()) fail("read error: image headers");
    report.certificates = findCertificateTable(head.data(), head.size(), report.fileSize);
    // Named first: the package's own checks would only say that bytes
    // follow it.
    if (report.certificates.state == CertificateTableState::unsound) {
        fail(std::string("security directory: ") + report.certificates.problem);
    }
}

// Judged once the package is sound: the table must be the file's last part
// and consist of whole records.
void checkCertificates(std::istream& in, PackageReport& report) {
    const CertificateTable& table = report.certificates;
    if (table.state != CertificateTableState::sound) return;
    const std::uint64_t end = std::uint64_t(table.offset) + table.size;
    if (end != report.fileSize) {
        fail("certificate table: " + std::to_string(report.fileSize - end) + " bytes follow it");
    }
    std::vector<u8> bytes(table.size);
    in.clear();
    in.seekg(static_cast<std::streamoff>(table.offset));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size()) fail("read error: certificate table");
    const std::string problem = checkCertificateRecords(bytes.data(), bytes.size(), report.signedDataRecords);
    if (!problem.empty()) fail("certificate table: " + problem);
}

void loadRecord(PackageSource& source, PackageReport& report) {
    const u32 configOffset = report.header.configOffset;
    if (configOffset < sizeof(PackageHeader)) fail("header: configOffset " + std::to_string(configOffset) + " lies inside the header");
    source.read(configOffset, &report.configBlock, sizeof(ConfigBlockHeader), "configuration block header");
    if (std::memcmp(report.configBlock.magic, kConfigMagic, sizeof(kConfigMagic)) != 0) {
        fail("configuration block: magic is not \"-DOOFUS-\"");
    }
    const std::uint64_t blockEnd =
        std::uint64_t(configOffset) + sizeof(ConfigBlockHeader) + report.configBlock.packedSize;
    if (blockEnd > source.size()) {
        fail("file is truncated: the compressed record needs " + std::to_string(report.configBlock.packedSize) +
             " bytes, " + std::to_string(source.size() - configOffset - sizeof(ConfigBlockHeader)) + " are there");
    }
    if (blockEnd != source.size() && !isSignaturePadding(source, blockEnd, report)) {
        fail(std::string("configuration block is not last in the ") +
             (report.certificates.state == CertificateTableState::sound ? "package" : "file") + ": " +
             std::to_string(source.size() - blockEnd) + " bytes follow it");
    }
    std::vector<u8> packed(report.configBlock.packedSize);
    source.read(configOffset + sizeof(ConfigBlockHeader), packed.data(), packed.size(), "compressed record");
    const u32 crc = static_cast<u32>(crc32(0, packed.data(), static_cast<uInt>(packed.size())));
    if (crc != report.configBlock.crc) fail("configuration block: crc32 of the compressed record differs");

    // One byte more than the area: a record that fills it exactly is sound.
    std::vector<u8> record(kConfigAreaSize + 1);
    uLongf produced = static_cast<uLongf>(record.size());
    const int rc = uncompress(record.data(), &produced, packed.data(), static_cast<uLong>(packed.size()));
    if (rc == Z_BUF_ERROR && produced == record.size()) {
        fail("configuration record decompresses to more than 787426 bytes");
    }
    if (rc != Z_OK) fail("configuration record: zlib reports error " + std::to_string(rc));
    if (produced > kConfigAreaSize) fail("configuration record decompresses to more than 787426 bytes");
    record.resize(produced);
    if (record.size() < kDataAreaOffset) {
        fail("configuration record is " + std::to_string(record.size()) + " bytes, shorter than its fixed part");
    }
    if (report.configBlock.unpackedSize != record.size()) {
        fail("configuration block: unpackedSize " + std::to_string(report.configBlock.unpackedSize) +
             " differs from the record's " + std::to_string(record.size()) + " bytes");
    }
    report.record = std::move(record);
    report.recordLoaded = true;
}

void readTexts(PackageReport& report) {
    const std::vector<u8>& record = report.record;
    for (u32 i = 0; i < kSlotCount; ++i) {
        const u32 offset = loadU32(record.data() + 4 * i);
        if (offset > record.size()) {
            fail("slot " + std::to_string(i) + " holds offset " + std::to_string(offset) + " outside the record");
        }
    }
    std::memcpy(&report.settings, record.data() + offsetof(SetupConfig, settings), sizeof(ScalarSettings));
    for (u32 i = 0; i < kTextSlotCount; ++i) {
        report.texts[i] = recordText(record, loadU32(record.data() + 4 * i), "text slot " + std::to_string(i));
    }
}

void readUninstallSection(PackageReport& report) {
    const u8* section = report.record.data() + kUninstallSectionOffset;
    UninstallHeader& h = report.uninstall;
    std::memcpy(&h, section, sizeof(h));
    if (std::memcmp(h.magic, kUninstallMagic, sizeof(kUninstallMagic)) != 0) fail("uninstall section: magic is not \"VLUnInst\"");
    if (h.version != kUninstallVersion) fail("uninstall section: version is not 0x0101");
    if (h.usedBytes > kLogAreaLimit) fail("uninstall section: usedBytes " + std::to_string(h.usedBytes) + " leaves no room for the log");
    if (h.firstEntryOffset != sizeof(UninstallHeader) + h.usedBytes) fail("uninstall section: firstEntryOffset is not 110 + usedBytes");
    if (h.entryCount != 0) fail("uninstall section: the shipped log holds entries");
    if (h.savedFirstEntryOffset != h.firstEntryOffset || h.savedEntryCount != h.entryCount ||
        h.savedUsedBytes != h.usedBytes) {
        fail("uninstall section: a saved field differs from its working field");
    }
    const u8* data = section + sizeof(UninstallHeader);
    for (u32 i = h.usedBytes; i < kLogAreaSize; ++i) {
        if (data[i] != 0) fail("uninstall section: the log area beyond the texts is not zero");
    }
    const u32 textsEnd = sizeof(UninstallHeader) + h.usedBytes;
    for (u32 i = 0; i < kUninstallTextCount; ++i) {
        const u32 offset = h.textOffsets[i];
        const std::string what = "uninstall text " + std::to_string(i);
        if (offset < sizeof(UninstallHeader) || offset >= textsEnd) fail(what + ": offset lies outside the texts");
        const u8* begin = section + offset;
        const u8* end = static_cast<const u8*>(std::memchr(begin, 0, textsEnd - offset));
        if (end == nullptr) fail(what + ": text runs past usedBytes");
        report.uninstallTexts.emplace_back(reinterpret_cast<const char*>(begin), reinterpret_cast<const char*>(end));
    }
}

void readComponents(PackageReport& report) {
    const std::vector<u8>& record = report.record;
    const ScalarSettings& s = report.settings;
    if (s.componentCount > kMaxComponents) fail("componentCount " + std::to_string(s.componentCount) + " exceeds 32");
    for (u32 i = 0; i < s.componentCount; ++i) {
        const std::string what = "component " + std::to_string(i);
        const u32 offset = loadU32(record.data() + offsetof(SetupConfig, components) + 4 * i);
        checkRange(record, offset, sizeof(Component), what);
        VerifiedComponent c;
        std::memcpy(&c.record, record.data() + offset, sizeof(Component));
        c.name = fieldText(c.record.name, what + " name");
        checkRange(record, offset, componentRecordSize(c.record.actionCount), what + " actions");
        for (u32 a = 0; a < c.record.actionCount; ++a) {
            VerifiedAction action;
            std::memcpy(&action.record, record.data() + offset + componentRecordSize(a), sizeof(InstallAction));
            const std::string actionWhat = what + " action " + std::to_string(a);
            if (action.record.type < kActionDesktopShortcut || action.record.type > kActionRemoveKeyFlagged) {
                fail(actionWhat + ": unknown type " + std::to_string(action.record.type));
            }
            action.arg1 = fieldText(action.record.arg1, actionWhat + " arg1");
            action.arg2 = fieldText(action.record.arg2, actionWhat + " arg2");
            action.arg3 = fieldText(action.record.arg3, actionWhat + " arg3");
            c.actions.push_back(std::move(action));
        }
        report.components.push_back(std::move(c));
    }
}

bool isTextItem(u32 type) {
    return type == kItemText || type == kItemRequiredSpaceText || (type >= kItemDesktopCheckBox && type <= kItemPreset3Radio);
}

void readPages(PackageReport& report) {
    const std::vector<u8>& record = report.record;
    const ScalarSettings& s = report.settings;
    if (s.pageCount > kMaxPages) fail("pageCount " + std::to_string(s.pageCount) + " exceeds 32");
    if (s.directXPageIndex < -1 || s.directXPageIndex >= static_cast<i32>(s.pageCount)) {
        fail("directXPageIndex " + std::to_string(s.directXPageIndex) + " names no page");
    }
    for (u32 p = 0; p < s.pageCount; ++p) {
        const std::string what = "page " + std::to_string(p);
        u32 offset = loadU32(record.data() + offsetof(SetupConfig, pages) + 4 * p);
        std::vector<VerifiedPageItem> items;
        for (;;) {
            VerifiedPageItem item;
            checkRange(record, offset, sizeof(PageItem), what + " item");
            std::memcpy(&item.head, record.data() + offset, sizeof(PageItem));
            offset += sizeof(PageItem);
            checkRange(record, offset, item.head.dataSize, what + " item data");
            const std::string itemWhat = what + " item " + std::to_string(items.size());
            if (item.head.type == kItemEnd) break;
            if (isTextItem(item.head.type) || item.head.type == kItemDirectXVersionText) {
                const u8* begin = record.data() + offset;
                if (item.head.dataSize == 0 || begin[item.head.dataSize - 1] != 0) fail(itemWhat + ": text is not terminated");
                item.text = std::string(reinterpret_cast<const char*>(begin));
            } else if (item.head.type == kItemDestinationGroup) {
                if (item.head.dataSize != 0) fail(itemWhat + ": destination group carries data");
            } else if (item.head.type <= kItemPreset3Radio) {
                if (item.head.dataSize != 4) fail(itemWhat + ": value is not 4 bytes");
                item.value = static_cast<i32>(loadU32(record.data() + offset));
                if (item.head.type == kItemImage && (item.value < 0 || static_cast<u32>(item.value) >= s.blobCount)) {
                    fail(itemWhat + ": picture " + std::to_string(item.value) + " does not exist");
                }
            }
            offset += item.head.dataSize;
            items.push_back(std::move(item));
        }
        report.pages.push_back(std::move(items));
    }
}

void readBlobs(PackageReport& report) {
    const std::vector<u8>& record = report.record;
    const ScalarSettings& s = report.settings;
    if (s.blobCount > kMaxBlobs) fail("blobCount " + std::to_string(s.blobCount) + " exceeds 48");
    for (u32 b = 0; b < s.blobCount; ++b) {
        const std::string what = "picture " + std::to_string(b);
        const u32 offset = loadU32(record.data() + offsetof(SetupConfig, blobs) + 4 * b);
        checkRange(record, offset, sizeof(Blob), what);
        VerifiedBlob blob;
        std::memcpy(&blob.record, record.data() + offset, sizeof(Blob));
        checkRange(record, offset + sizeof(Blob), blob.record.size, what + " data");
        const void* end = std::memchr(blob.record.fileName, 0, kMaxPath);
        if (end == nullptr) fail(what + ": file name is not terminated");
        blob.fileName.assign(blob.record.fileName, static_cast<std::size_t>(static_cast<const char*>(end) - blob.record.fileName));
        if (blob.fileName.empty()) fail(what + ": file name is empty");
        report.blobs.push_back(std::move(blob));
    }
    for (u32 i = 0; i < kImageIndexCount; ++i) {
        if (s.blobCount != 0 && s.imageIndexTable[i] >= s.blobCount) {
            fail("image table entry " + std::to_string(i) + " names picture " +
                 std::to_string(s.imageIndexTable[i]) + ", which does not exist");
        }
    }
    if (s.textAlignment > 2) fail("textAlignment " + std::to_string(s.textAlignment) + " is not 0, 1 or 2");
}

// Decodes one component's stream chunk by chunk exactly as the setup program
// does, and checks every length, checksum and sum on the way.
void* lzmaAllocate(void*, size_t size) { return std::malloc(size); }
void lzmaRelease(void*, void* address) { std::free(address); }
ISzAlloc lzmaAllocator = {lzmaAllocate, lzmaRelease};

class ComponentDecoder {
public:
    explicit ComponentDecoder(const ChunkObserver& observer)
        : input_(kDecodeBufferSize), output_(kDecodeBufferSize), observer_(observer) {}
    ~ComponentDecoder() {
        if (open_) inflateEnd(&stream_);
    }

    void verify(PackageSource& source, u32 index, VerifiedComponent& component, std::uint64_t& position) {
        const std::string what = "component " + std::to_string(index) + " \"" + component.name + "\"";
        lzma_ = component.method.method == kStreamMethodLzma;
        if (lzma_) walkBlocks(source, component, what, position);
        if (component.record.firstEntryOffset != position) {
            fail(what + ": firstEntryOffset " + std::to_string(component.record.firstEntryOffset) +
                 " is not where its entries lie (" + std::to_string(position) + ")");
        }
        std::memset(&stream_, 0, sizeof(stream_));
        if (inflateInit(&stream_) != Z_OK) fail("zlib cannot start inflating");
        open_ = true;
        streamEnded_ = false;
        bool anyChunk = false;
        std::uint64_t unpacked = 0, packed = 0;
        for (u32 f = 0; f < component.record.fileCount; ++f) {
            VerifiedFile file{};
            file.entryOffset = position;
            source.read(position, &file.entry, sizeof(FileEntry), "entry header");
            const std::string fileWhat = what + " entry " + std::to_string(f);
            if (std::memcmp(file.entry.magic, kFileEntryMagic, 4) != 0) fail(fileWhat + ": header does not begin with \"FILE\"");
            if (file.entry.nameLength == 0 || file.entry.nameLength > kMaxNameLength) {
                fail(fileWhat + ": name length " + std::to_string(file.entry.nameLength) + " is not 1..259");
            }
            position += sizeof(FileEntry);
            file.name.resize(file.entry.nameLength);
            source.read(position, file.name.data(), file.name.size(), "entry name");
            position += file.entry.nameLength;
            const std::string nameWhat = what + " file \"" + file.name + "\"";
            if (file.name.find('\0') != std::string::npos) fail(nameWhat + ": stored name holds a zero byte");
            if (const StoredNameProblem problem = checkStoredName(file.name); problem != StoredNameProblem::none) {
                fail(nameWhat + ": stored name " + storedNameProblemText(problem));
            }
            if (file.entry.componentIndex != index) fail(nameWhat + ": componentIndex is " + std::to_string(file.entry.componentIndex));
            if (streamEnded_ && file.entry.unpackedSize != 0) fail(nameWhat + ": data follows the end of the component's stream");
            file.chunkCount = chunkCount(file.entry.unpackedSize);
            std::vector<u16> table(file.chunkCount);
            source.read(position, table.data(), 2 * table.size(), "chunk table");
            position += 2 * std::uint64_t(table.size());
            std::uint64_t stored = 2 * std::uint64_t(table.size());
            u32 remaining = file.entry.unpackedSize;
            for (u32 c = 0; c < file.chunkCount; ++c) {
                const u32 length = table[c];
                const std::string chunkWhat = nameWhat + " chunk " + std::to_string(c);
                if (length < kChunkCrcSize || length > kMaxChunkLength) {
                    fail(chunkWhat + ": length " + std::to_string(length) + " is not 4..32772");
                }
                u32 storedCrc;
                source.read(position, &storedCrc, 4, "chunk checksum");
                const u32 expected = std::min(remaining, kChunkSize);
                if (lzma_) {
                    if (length != kChunkCrcSize) fail(chunkWhat + ": length " + std::to_string(length) + " is not 4 in an LZMA component");
                    const u8* bytes = takeBlockBytes(source, expected, chunkWhat);
                    if (static_cast<u32>(crc32(0, bytes, expected)) != storedCrc) fail(chunkWhat + ": CRC-32 differs");
                    if (observer_) observer_(index, f, bytes, expected);
                } else {
                    source.read(position + 4, input_.data(), length - 4, "chunk data");
                    decodeChunk(length - 4, expected, storedCrc, chunkWhat);
                    if (observer_) observer_(index, f, output_.data(), expected);
                }
                anyChunk = true;
                remaining -= expected;
                position += length;
                stored += length;
            }
            if (file.entry.storedSize != stored) {
                fail(nameWhat + ": storedSize " + std::to_string(file.entry.storedSize) + " differs from the stored " +
                     std::to_string(stored) + " bytes");
            }
            unpacked += file.entry.unpackedSize;
            packed += stored;
            component.files.push_back(std::move(file));
        }
        if (lzma_) {
            if (blocksTaken_ != component.method.blockCount || taken_ != decoded_.size())
                fail(what + ": its blocks hold more than its files");
        } else if (anyChunk && !streamEnded_) {
            fail(what + ": the stream does not end with the component's last chunk");
        }
        inflateEnd(&stream_);
        open_ = false;
        if (static_cast<std::uint64_t>(static_cast<u32>(component.record.unpackedSize)) != unpacked) {
            fail(what + ": unpackedSize " + std::to_string(component.record.unpackedSize) + " differs from its files' " +
                 std::to_string(unpacked));
        }
        if (static_cast<std::uint64_t>(static_cast<u32>(component.record.packedSize)) != packed) {
            fail(what + ": packedSize " + std::to_string(component.record.packedSize) + " differs from its files' " +
                 std::to_string(packed));
        }
    }

private:
    // An LZMA component's blocks lie in front of its entries, from where the
    // previous component ends: every header sound, the entries right behind
    // the last block.
    void walkBlocks(PackageSource& source, VerifiedComponent& component, const std::string& what,
                    std::uint64_t& position) {
        const StreamMethodEntry& method = component.method;
        if (method.blockCount != 0 && method.blocksOffset != position) {
            fail(what + ": its blocks lie at " + std::to_string(method.blocksOffset) + ", not where the entries before end (" +
                 std::to_string(position) + ")");
        }
        blocksStart_ = position;
        for (u32 b = 0; b < method.blockCount; ++b) {
            LzmaBlockHeader header;
            source.read(position, &header, sizeof header, "LZMA block header");
            const LzmaBlockProblem problem = checkLzmaBlockHeader(header, method.blockSize);
            if (problem != LzmaBlockProblem::none) {
                fail(what + " block " + std::to_string(b) + ": header " + lzmaBlockProblemText(problem));
            }
            position += sizeof header + std::uint64_t(header.packedSize);
        }
        component.blockBytes = position - blocksStart_;
        nextBlock_ = blocksStart_;
        blocksTaken_ = 0;
        blockCount_ = method.blockCount;
        decoded_.clear();
        taken_ = 0;
    }

    // The next piece of an LZMA component, from the current block or the
    // next one, which is read, checked and decoded first.
    const u8* takeBlockBytes(PackageSource& source, u32 count, const std::string& what) {
        if (taken_ == decoded_.size()) {
            const std::string blockWhat = what + ": block " + std::to_string(blocksTaken_);
            if (blocksTaken_ == blockCount_) fail(what + ": the component's blocks are used up");
            LzmaBlockHeader header;
            source.read(nextBlock_, &header, sizeof header, "LZMA block header");
            packed_.resize(header.packedSize);
            source.read(nextBlock_ + sizeof header, packed_.data(), packed_.size(), "LZMA block data");
            if (static_cast<u32>(crc32(0, packed_.data(), static_cast<uInt>(packed_.size()))) != header.crc) {
                fail(blockWhat + ": crc32 of its data differs");
            }
            decoded_.resize(header.unpackedSize);
            SizeT decodedSize = decoded_.size(), packedSize = packed_.size();
            ELzmaStatus status;
            const SRes rc = LzmaDecode(decoded_.data(), &decodedSize, packed_.data(), &packedSize, header.properties,
                                       kLzmaPropertiesSize, LZMA_FINISH_END, &status, &lzmaAllocator);
            if (rc != SZ_OK || decodedSize != decoded_.size() || packedSize != packed_.size()) {
                fail(blockWhat + ": LZMA data does not decode to exactly " + std::to_string(header.unpackedSize) + " bytes");
            }
            nextBlock_ += sizeof header + std::uint64_t(header.packedSize);
            ++blocksTaken_;
            taken_ = 0;
        }
        if (count > decoded_.size() - taken_) fail(what + ": runs past the end of its block");
        const u8* bytes = decoded_.data() + taken_;
        taken_ += count;
        return bytes;
    }

    void decodeChunk(u32 dataLength, u32 expected, u32 storedCrc, const std::string& what) {
        if (streamEnded_) fail(what + ": follows the end of the component's stream");
        const uLong before = stream_.total_out;
        stream_.next_in = input_.data();
        stream_.avail_in = dataLength;
        stream_.next_out = output_.data();
        stream_.avail_out = kDecodeBufferSize;
        const int rc = inflate(&stream_, Z_PARTIAL_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) fail(what + ": inflate reports error " + std::to_string(rc));
        const uLong produced = stream_.total_out - before;
        if (produced > kChunkSize) fail(what + ": unpacks to " + std::to_string(produced) + " bytes, more than 16384");
        if (produced != expected) {
            fail(what + ": unpacks to " + std::to_string(produced) + " bytes instead of " + std::to_string(expected));
        }
        if (stream_.avail_in != 0) fail(what + ": inflate left " + std::to_string(stream_.avail_in) + " bytes unread");
        const u32 crc = static_cast<u32>(crc32(0, output_.data(), static_cast<uInt>(produced)));
        if (crc != storedCrc) fail(what + ": CRC-32 differs");
        if (rc == Z_STREAM_END) {
            streamEnded_ = true;
        } else {
            static const u8 kSyncTail[4] = {0x00, 0x00, 0xFF, 0xFF};
            if (dataLength < 4 || std::memcmp(input_.data() + dataLength - 4, kSyncTail, 4) != 0) {
                fail(what + ": does not end at a sync flush (00 00 FF FF)");
            }
        }
    }

    std::vector<u8> input_;
    std::vector<u8> output_;
    const ChunkObserver& observer_;
    z_stream stream_{};
    bool open_ = false;
    bool streamEnded_ = false;
    // The LZMA component's blocks.
    bool lzma_ = false;
    std::uint64_t blocksStart_ = 0, nextBlock_ = 0;
    u32 blocksTaken_ = 0, blockCount_ = 0;
    std::vector<u8> packed_, decoded_;
    std::size_t taken_ = 0;
};

bool readForDirectory(void* context, u32 offset, void* buffer, u32 size) {
    try {
        static_cast<PackageSource*>(context)->read(offset, buffer, size, "extension table");
        return true;
    } catch (const Defect&) {
        return false;
    }
}


// The always-installed mask: one u32 naming components that exist, none of
// them a DirectX component (which is never installed).
void checkAlwaysInstalled(const PackageReport& report, const VerifiedExtension& extension, const std::string& what) {
    if (extension.data.size() != kAlwaysInstalledSize) fail(what + ": is not one 32-bit mask");
    u32 mask;
    std::memcpy(&mask, extension.data.data(), sizeof mask);
    const std::size_t count = report.components.size();
    if (count < 32 && (mask >> count) != 0) fail(what + ": names a component beyond the " + std::to_string(count));
    if ((mask & report.settings.directXComponentMask) != 0) fail(what + ": names a DirectX component");
}

// The languages record: well formed, and each language's page texts one
// for each text item of the pages, which they replace by position.
void checkLanguagesRecord(const PackageReport& report, const VerifiedExtension& extension, const std::string& what) {
    const u8* data = extension.data.data();
    const LanguagesProblem problem = checkLanguages(data, extension.data.size());
    if (problem != LanguagesProblem::none) fail(what + ": " + languagesProblemText(problem));
    std::size_t textItems = 0;
    for (const auto& page : report.pages)
        for (const VerifiedPageItem& item : page)
            if (isPageTextItem(item.head.type)) ++textItems;
    for (u32 i = 1; i < languageCount(data); ++i) {
        LanguageTexts texts;
        readLanguageTexts(data, extension.data.size(), i, texts);
        if (texts.pageTextCount != textItems)
            fail(what + ": language " + languageAt(data, i).code + " has " + std::to_string(texts.pageTextCount) +
                 " page texts for the pages' " + std::to_string(textItems) + " text items");
    }
}

// The table between the stored files and the configuration block: every
// record inside it, every checksum right, every known record well formed.
void readExtensions(PackageSource& source, PackageReport& report, std::uint64_t entriesEnd) {
    const u32 offset = report.settings.extensionTable;
    ExtensionDirectory directory;
    const ExtensionProblem problem = readExtensionDirectory(offset, static_cast<u32>(entriesEnd),
                                                            report.header.configOffset, readForDirectory, &source,
                                                            directory);
    if (problem != ExtensionProblem::none) {
        fail("extension table at package offset " + std::to_string(offset) + " " + extensionProblemText(problem));
    }
    for (u32 i = 0; i < directory.count; ++i) {
        const ExtensionEntry& entry = directory.entries[i];
        const std::string what = "extension record " + std::to_string(i) + " \"" + extensionTagText(entry.tag) + "\"";
        VerifiedExtension extension{entry.tag, entry.dataOffset, std::vector<u8>(entry.size)};
        switch (readExtensionData(entry, readForDirectory, &source, extension.data.data(), extension.data.size())) {
        case ExtensionRead::ok: break;
        case ExtensionRead::checksum: fail(what + ": crc32 of its data differs");
        default: fail(what + ": cannot be read");
        }
        if (entry.tag == kExtensionExtraTexts && !checkExtraTexts(extension.data.data(), extension.data.size())) {
            fail(what + ": a text runs past the record, is too long, holds a zero byte or is out of order");
        }
        if (entry.tag == kExtensionAlwaysInstalled) checkAlwaysInstalled(report, extension, what);
        if (entry.tag == kExtensionLanguages) checkLanguagesRecord(report, extension, what);
        if (entry.tag == kExtensionStreamMethods) {
            StreamMethods methods;
            const StreamMethodsProblem bad = readStreamMethods(extension.data.data(), extension.data.size(),
                                                              static_cast<u32>(report.components.size()), methods);
            if (bad != StreamMethodsProblem::none) fail(what + ": " + streamMethodsProblemText(bad));
        }
        report.extensions.push_back(std::move(extension));
    }
}

// The components' stream methods, needed before their entries are read:
// taken from the table ahead of its full check behind the entries.
void readStreamMethodsAhead(PackageSource& source, PackageReport& report) {
    const u32 offset = report.settings.extensionTable;
    if (offset == 0) return;
    ExtensionDirectory directory;
    if (readExtensionDirectory(offset, sizeof(PackageHeader), report.header.configOffset, readForDirectory, &source,
                               directory) != ExtensionProblem::none)
        return;  // reported with the table
    const ExtensionEntry* entry = findExtension(directory, kExtensionStreamMethods);
    if (entry == nullptr) return;
    std::vector<u8> data(entry->size);
    if (readExtensionData(*entry, readForDirectory, &source, data.data(), data.size()) != ExtensionRead::ok)
        fail("extension record \"METH\": cannot be read or its crc32 differs");
    StreamMethods methods;
    const StreamMethodsProblem problem =
        readStreamMethods(data.data(), data.size(), static_cast<u32>(report.components.size()), methods);
    if (problem != StreamMethodsProblem::none) fail("extension record \"METH\": " + std::string(streamMethodsProblemText(problem)));
    for (u32 i = 0; i < report.components.size(); ++i) report.components[i].method = methods.entries[i];
}

void verifyEntries(PackageSource& source, PackageReport& report, const ChunkObserver& observer) {
    readStreamMethodsAhead(source, report);
    std::uint64_t position = sizeof(PackageHeader);
    std::uint64_t unpacked = 0, packed = 0, files = 0;
    ComponentDecoder decoder(observer);
    for (u32 i = 0; i < report.components.size(); ++i) {
        VerifiedComponent& c = report.components[i];
        decoder.verify(source, i, c, position);
        unpacked += static_cast<u32>(c.record.unpackedSize);
        packed += static_cast<u32>(c.record.packedSize);
        files += c.record.fileCount;
    }
    if (report.settings.extensionTable != 0) {
        if (position != report.settings.extensionTable) {
            fail("the entries end at package offset " + std::to_string(position) + ", the extension table lies at " +
                 std::to_string(report.settings.extensionTable));
        }
        readExtensions(source, report, position);
    } else if (position != report.header.configOffset) {
        fail("the entries end at package offset " + std::to_string(position) + ", the configuration block lies at " +
             std::to_string(report.header.configOffset));
    }
    if (report.header.totalUnpackedSize != unpacked) fail("header: totalUnpackedSize differs from the components' sum");
    if (report.header.totalPackedSize != packed) fail("header: totalPackedSize differs from the components' sum");
    if (report.header.fileEntryCount != files) fail("header: fileEntryCount differs from the components' file counts");
}

}  // namespace

std::optional<std::uint64_t> locatePackage(std::istream& in, std::uint64_t size) {
    std::vector<u8> buffer(kScanStep + 4, 0);
    u32 magic;
    std::memcpy(&magic, kPackageMagic, 4);
    for (std::uint64_t pos = 0; pos < size;) {
        const u32 n = static_cast<u32>(std::min<std::uint64_t>(size - pos, kScanStep));
        in.clear();
        in.seekg(static_cast<std::streamoff>(pos));
        // Near the end fewer bytes arrive; the rest keeps older contents, as
        // in the setup program. Nothing past `size` is read: a certificate
        // table may follow.
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(std::min<std::uint64_t>(n + 4, size - pos)));
        for (u32 i = 0; i < n / 4; ++i) {
            if (loadU32(buffer.data() + 4 * i) == magic && loadU32(buffer.data() + 4 * i + 4) == kPackageSignature) {
                return pos + 4 * i;
            }
        }
        pos += n;
    }
    return std::nullopt;
}

PackageReport verifyPackage(std::istream& in, std::uint64_t size, const ChunkObserver& observer) {
    PackageReport report;
    report.fileSize = size;
    try {
        findCertificates(in, report);
        const std::uint64_t area = report.certificates.state == CertificateTableState::sound
                                       ? report.certificates.offset : size;
        const std::optional<std::uint64_t> start = locatePackage(in, area);
        if (!start) fail("no package found (no \"VeLo\" + 0xDEADBABE at a 4-aligned offset)");
        report.packageStart = *start;
        report.packageFound = true;
        PackageSource source(in, area, *start);
        source.read(0, &report.header, sizeof(PackageHeader), "package header");
        loadRecord(source, report);
        readTexts(report);
        readUninstallSection(report);
        readComponents(report);
        readPages(report);
        readBlobs(report);
        verifyEntries(source, report, observer);
        checkCertificates(in, report);
    } catch (const Defect& defect) {
        report.defect = defect.what();
    }
    return report;
}

PackageReport verifyPackageFile(const std::string& path, const ChunkObserver& observer) {
    // Judged before opening: a pipe would block the open, and a folder or a
    // device would read as a file of any size.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        PackageReport report;
        report.defect = "\"" + path + "\" " +
                        (std::filesystem::is_directory(status) ? "is a folder, not an installer"
                                                               : "is not a regular file (a device, a pipe or a socket)");
        return report;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        PackageReport report;
        report.defect = "cannot open \"" + path + "\"";
        return report;
    }
    in.seekg(0, std::ios::end);
    const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
    return verifyPackage(in, size, observer);
}

std::string extensionTagText(u32 tag) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

}  // namespace fmt
