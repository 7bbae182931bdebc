#include "engine/in_use/files_in_use_check.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "base/bounded_text.h"
#include "base/install_error.h"
#include "base/process_state.h"
#include "engine/failure/cancel.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/in_use/held_files.h"
#include "engine/in_use/in_use_list.h"
#include "engine/in_use/restart_replacements.h"
#include "engine/interaction.h"
#include "engine/log/run_log.h"
#include "engine/removal/remove_by_log.h"
#include "package/component_stream.h"
#include "package/package_extensions.h"
#include "package/package_file.h"
#include "package/setup_config.h"

namespace setup {

namespace {

InUseList found;
EntryBuffers entry;

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int compareFolded(const char* a, const char* b) {
    for (; *a != '\0' && foldAscii(*a) == foldAscii(*b); ++a, ++b) {
    }
    return static_cast<unsigned char>(foldAscii(*a)) - static_cast<unsigned char>(foldAscii(*b));
}

bool isFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The previous installation's files, sorted so that a stored file's place
// is looked up in them quickly: one the removal takes away is tried once.
const char* previousFiles[kMaxLogFileSize / kMinLogEntrySize];
std::size_t previousCount = 0;

void findPreviousFilesHeld() {
    const LogItem* items = nullptr;
    previousCount = previousInstallationFiles(items);
    for (std::size_t i = 0; i < previousCount; ++i) {
        previousFiles[i] = items[i].text;
        if (isFile(items[i].text)) noteIfHeld(items[i].text, found);
    }
    std::sort(previousFiles, previousFiles + previousCount,
              [](const char* a, const char* b) { return compareFolded(a, b) < 0; });
}

bool removedBefore(const char* path) {
    return std::binary_search(previousFiles, previousFiles + previousCount, path,
                              [](const char* a, const char* b) { return compareFolded(a, b) < 0; });
}

class NameReader final : public StreamCallbacks {
public:
    void read(void* buffer, std::uint32_t count) override { readPackage(buffer, count); }
    void write(const std::uint8_t*, std::uint32_t) override {}
    void chunkDone(std::uint32_t) override {}
    void pump() override {}
};

// Past the current entry's chunk table and chunks, decoding nothing.
void skipEntryData() {
    std::uint32_t chunks = fmt::chunkCount(entry.header.unpackedSize);
    std::uint64_t stored = 0;
    std::uint16_t table[1024];
    while (chunks != 0) {
        const std::uint32_t now = std::min<std::uint32_t>(chunks, 1024);
        readPackage(table, now * static_cast<std::uint32_t>(sizeof table[0]));
        for (std::uint32_t i = 0; i < now; ++i) stored += table[i];
        chunks -= now;
    }
    if (stored > 0xFFFFFFFFu) raiseInstallError(kErrorArchiveCorrupt);
    skipPackage(static_cast<std::uint32_t>(stored));
}

// Every stored file of the selection whose place holds a file now that
// the removal of the previous installation does not take first.
void findStoredFilesHeld(const ExtractionState& product) {
    const fmt::SetupConfig& record = config();
    const std::uint32_t selection = product.selectionMask | alwaysInstalledComponents();
    const std::uint32_t count = std::min<std::uint32_t>(record.settings.componentCount, fmt::kMaxComponents);
    NameReader io;
    for (std::uint32_t i = 0; i < count; ++i) {
        if ((selection & (1u << i)) == 0) continue;
        const fmt::Component* component = configRecord<const fmt::Component>(record.components[i]);
        seekPackage(component->firstEntryOffset);
        for (std::uint32_t f = 0; f < component->fileCount; ++f) {
            if (readFileEntry(entry, io) != kStreamOk) raiseInstallError(kErrorArchiveCorrupt);
            char path[fmt::kMaxPath];
            if (formatBounded(path, sizeof path, "%s%s", product.destDir, entry.name) && isFile(path) &&
                !removedBefore(path))
                noteIfHeld(path, found);
            skipEntryData();
        }
    }
}

void findFilesHeld(const ExtractionState& product) {
    found.clear();
    findPreviousFilesHeld();
    findStoredFilesHeld(product);
    if (found.empty()) return;
    nameHoldingPrograms(found);
    for (std::size_t i = 0; i < found.fileCount; ++i) logRunLine("in use: %s", found.files[i]);
    if (found.moreFiles != 0) logRunLine("in use: %u more files", static_cast<unsigned>(found.moreFiles));
    for (std::size_t i = 0; i < found.programCount; ++i) logRunLine("held by the program %s", found.programs[i]);
}

}  // namespace

void checkFilesInUse(const ExtractionState& product, bool replaceAtRestart) {
    for (;;) {
        findFilesHeld(product);
        if (found.empty()) return;
        if (unattendedRun) {
            if (replaceAtRestart && restartReplacementAllowed()) {
                logRunLine("/REPLACEATRESTART: the files in use are replaced at the next restart");
                ignoreFilesInUse();
                return;
            }
            if (replaceAtRestart) logRunLine("this system does not let the setup replace files at the next restart");
            exitSetup(kExitFilesInUse);
        }
        const char* names[InUseList::kMaxFiles];
        const std::size_t count = found.shownNames(names);
        switch (questions().askFilesInUse(names, count, found.programCount == 0 && found.moreFiles != 0,
                                         found.programCount != 0)) {
        case FilesInUseAnswer::retry: continue;
        case FilesInUseAnswer::ignore: ignoreFilesInUse(); return;
        case FilesInUseAnswer::cancel: endCancelledRun();
        }
    }
}

}  // namespace setup
