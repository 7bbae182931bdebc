// inspect's verifier over any installer: it names a defect or passes, and
// never reads outside what it was given.
//
// Input: an installer as it is, or an installer whose configuration block is
// replaced by a record in compact form (record_form.h): when the bytes at
// the header's configOffset are not "-DOOFUS-", they are taken as such a
// record and a sound block is built for it here, so that mutations reach
// the record's checks behind the checksum and the compression.
#include <cstdint>
#include <cstring>

#include <cstdlib>

#include "format/package_reader.h"
#include "memory_stream.h"
#include "package/component_stream.h"
#include "package/extra_texts.h"
#include "record_form.h"

namespace {

// The installer the input stands for, built in `installer`; false when the
// input is taken as it is.
bool rebuildInstaller(const std::uint8_t* data, std::size_t size, fuzzing::Bytes& installer) {
    fuzzing::MemoryStream in(data, size);
    const std::optional<std::uint64_t> start = fmt::locatePackage(in, size);
    if (!start || size - *start < sizeof(fmt::PackageHeader)) return false;
    fmt::PackageHeader header;
    std::memcpy(&header, data + *start, sizeof header);
    const std::uint64_t blockAt = *start + header.configOffset;
    if (header.configOffset < sizeof header || blockAt > size) return false;
    if (size - blockAt >= sizeof fmt::kConfigMagic &&
        std::memcmp(data + blockAt, fmt::kConfigMagic, sizeof fmt::kConfigMagic) == 0) {
        return false;
    }
    static fuzzing::Bytes record, block;
    fuzzing::expandRecord(data + blockAt, size - blockAt, record);
    fuzzing::configBlock(record, 0, block);
    installer.assign(data, data + blockAt);
    installer.insert(installer.end(), block.begin(), block.end());
    return true;
}

// Reads from the installer's bytes; a verified installer never reads short.
class InstallerBytes final : public setup::StreamCallbacks {
public:
    InstallerBytes(const std::uint8_t* data, std::size_t size, std::uint64_t position)
        : data_(data), size_(size), position_(position) {}
    void read(void* buffer, fmt::u32 count) override {
        if (position_ > size_ || count > size_ - position_) std::abort();
        std::memcpy(buffer, data_ + position_, count);
        position_ += count;
    }
    bool readAt(fmt::u32 offset, void* buffer, fmt::u32 count) override {
        if (start_ + offset > size_ || count > size_ - start_ - offset) std::abort();
        std::memcpy(buffer, data_ + start_ + offset, count);
        return true;
    }
    void write(const fmt::u8*, fmt::u32) override {}
    void chunkDone(fmt::u32) override {}
    void pump() override {}

    std::uint64_t start_ = 0;

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t position_;
};

// What inspect passes, the setup program extracts: every entry of every
// component reads and decodes without a failure.
void extractAsTheSetupProgramDoes(const std::uint8_t* data, std::size_t size, const fmt::PackageReport& report) {
    static setup::ComponentStream stream{};
    static setup::EntryBuffers entry{};
    for (const fmt::VerifiedComponent& component : report.components) {
        InstallerBytes io(data, size, report.packageStart + component.record.firstEntryOffset);
        io.start_ = report.packageStart;
        const setup::StreamResult opened =
            component.method.method == fmt::kStreamMethodLzma
                ? setup::openLzmaComponentStream(stream, component.method, component.record.firstEntryOffset)
                : setup::openComponentStream(stream);
        if (opened != setup::kStreamOk) std::abort();
        for (fmt::u32 f = 0; f < component.record.fileCount; ++f) {
            if (setup::readFileEntry(entry, io) != setup::kStreamOk) std::abort();
            if (setup::inflateFileData(stream, entry.header, io) != setup::kStreamOk) std::abort();
        }
        setup::closeComponentStream(stream);
    }
}

// What inspect passes, the setup program reads alike: its extra texts come
// back as the verified record holds them.
void readExtraTextsAsTheSetupProgramDoes(const std::uint8_t* data, std::size_t size, const fmt::PackageReport& report) {
    struct Source {
        const std::uint8_t* bytes;
        std::uint64_t start, end;
        static bool read(void* context, fmt::u32 offset, void* buffer, fmt::u32 count) {
            const auto* s = static_cast<const Source*>(context);
            if (s->start + offset + count > s->end) return false;
            std::memcpy(buffer, s->bytes + s->start + offset, count);
            return true;
        }
    } source{data, report.packageStart, size};
    static fmt::u8 scratch[fmt::kMaxExtraTextsSize];
    static setup::ExtraTexts texts;
    if (setup::readExtraTexts(report.settings.extensionTable, report.header.configOffset, Source::read, &source,
                              scratch, texts) != setup::ExtraTextsRead::ok) {
        std::abort();
    }
    for (const fmt::VerifiedExtension& e : report.extensions) {
        if (e.tag != fmt::kExtensionExtraTexts) continue;
        for (std::uint16_t id = 1; id < fmt::kExtraTextIdEnd; ++id) {
            const char* text = nullptr;
            std::size_t length = 0;
            const bool found = fmt::findExtraText(e.data.data(), e.data.size(), id, text, length);
            const char* read = setup::extraText(texts, id, nullptr);
            if (found != (read != nullptr) || (found && (std::strlen(read) != length || std::memcmp(read, text, length) != 0)))
                std::abort();
        }
        break;  // the setup program reads the first
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::Bytes rebuilt;
    const bool isRebuilt = rebuildInstaller(data, size, rebuilt);
    const std::uint8_t* bytes = isRebuilt ? rebuilt.data() : data;
    const std::size_t length = isRebuilt ? rebuilt.size() : size;
    fuzzing::MemoryStream in(bytes, length);
    const fmt::PackageReport report = fmt::verifyPackage(in, length);
    if (report.defect.empty()) {
        extractAsTheSetupProgramDoes(bytes, length, report);
        readExtraTextsAsTheSetupProgramDoes(bytes, length, report);
    }
    return 0;
}
