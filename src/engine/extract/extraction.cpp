#include "engine/extract/extraction.h"

#include "base/fault_injection.h"
#include "base/field_text.h"
#include "base/install_error.h"
#include "engine/extract/decode_worker.h"
#include "engine/extract/output_file.h"
#include "engine/failure/cancel.h"
#include "engine/interaction.h"
#include "package/component_stream.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "package/stream_methods_load.h"

namespace setup {

namespace {

ComponentStream componentStream;

void raiseIfFailed(StreamResult result) {
    if (result != kStreamOk) raiseInstallError(static_cast<ErrorCode>(result));
}

const fmt::Component* componentAt(std::uint32_t index) {
    return configRecord<const fmt::Component>(config().components[index]);
}

std::uint32_t componentCount() {
    const std::uint32_t count = config().settings.componentCount;
    return count < fmt::kMaxComponents ? count : fmt::kMaxComponents;
}

// Connects the stream decoder to the package file, the output file and the
// progress window. A cancel the user confirmed in the window is seen after
// every pump, before another byte is written.
class ExtractionCallbacks final : public StreamCallbacks {
public:
    ExtractionCallbacks(ExtractionState& state, Display& shown) : state_(state), shown_(shown) {}

    // The component of the entry just read, for the progress window's group line.
    void enterEntry() {
        const std::uint32_t index = currentEntry.header.componentIndex & 0xFF;
        if (index < componentCount()) {
            copyFieldText(group_, componentAt(index)->name);
            groupShown_ = group_;
        } else {
            groupShown_ = nullptr;
        }
    }

    // The entries are read in order from `offset` on.
    void startAt(std::uint32_t offset) {
        seekPackage(offset);
        position_ = offset;
    }

    void read(void* buffer, std::uint32_t count) override {
        readPackage(buffer, count);
        position_ += count;
    }

    // An LZMA block, between two reads of the entries: they go on where they were.
    bool readAt(std::uint32_t offset, void* buffer, std::uint32_t count) override {
        seekPackage(offset);
        readPackage(buffer, count);
        seekPackage(position_);
        return true;
    }

    void write(const std::uint8_t* bytes, std::uint32_t count) override {
        if (!state_.skipFile) writeOutput(outputFile, bytes, count);
    }

    void chunkDone(std::uint32_t packedBytes) override {
        state_.donePacked = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(state_.donePacked) + packedBytes);
        shown_.showProgress(groupShown_, currentEntry.name, state_.donePacked, state_.totalPacked);
        pump();
        if (cancelAfterChunk() && confirmCancel()) {
            shown_.closeProgress();
            endCancelledRun();
        }
    }

    void pump() override {
        shown_.pumpProgress();
        if (shown_.cancelSeen()) endCancelledRun();
    }

private:
    ExtractionState& state_;
    Display& shown_;
    std::uint32_t position_ = 0;
    char group_[fmt::kFieldTextSize] = {};
    const char* groupShown_ = nullptr;
};

}  // namespace

void computeSelectionTotals(ExtractionState& state) {
    std::uint32_t packed = 0, unpacked = 0;
    for (std::uint32_t i = 0; i < componentCount(); ++i) {
        if ((state.selectionMask & (1u << i)) == 0) continue;
        packed += static_cast<std::uint32_t>(componentAt(i)->packedSize);
        unpacked += static_cast<std::uint32_t>(componentAt(i)->unpackedSize);
    }
    state.totalPacked = static_cast<std::int32_t>(packed);
    state.donePacked = 0;
    state.totalUnpacked = unpacked;
}

void extractComponents(ExtractionState& state) {
    computeSelectionTotals(state);
    state.installedBytes = 0;
    forgetFoldersMade();
    Display& shown = display();
    shown.openProgress({state.title, state.groupFormat, state.fileFormat});

    ExtractionCallbacks io(state, shown);
    for (std::uint32_t i = 0; i < componentCount(); ++i) {
        if ((state.selectionMask & (1u << i)) == 0) continue;
        const fmt::Component* component = componentAt(i);
        const fmt::StreamMethods& methods = streamMethods();
        if (fmt::streamMethodOf(methods, i) == fmt::kStreamMethodLzma)
            raiseIfFailed(openLzmaComponentStream(componentStream, methods.entries[i], component->firstEntryOffset,
                                                  decodeWorker()));
        else
            raiseIfFailed(openComponentStream(componentStream));
        io.startAt(component->firstEntryOffset);
        for (std::uint32_t f = 0; f < component->fileCount; ++f) {
            raiseIfFailed(readFileEntry(currentEntry, io));
            io.enterEntry();
            state.skipFile = false;
            openOutputFile(state.destDir, state.replaceAll, state.skipFile);
            // A skipped file's chunks are decoded all the same: the stream runs on.
            raiseIfFailed(inflateFileData(componentStream, currentEntry.header, io));
            closeOutputFile(state.skipFile);
            if (!state.skipFile) state.installedBytes += currentEntry.header.unpackedSize;
        }
        // A block the worker decodes ahead of entries that never come.
        settleLzmaBlocks(componentStream.lzma, io);
        closeComponentStream(componentStream);
    }
    stopDecodeWorker();

    shown.closeProgress();
}

}  // namespace setup
