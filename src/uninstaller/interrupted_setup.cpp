#include "uninstaller/interrupted_setup.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/journal/journal_recovery.h"
#include "engine/journal/journal_search.h"
#include "engine/log/uninstall_log.h"
#include "package/setup_config.h"

namespace uninstaller {

namespace {

constexpr char kUndoText[] = "Undoing an interrupted installation";

// The configuration record the undo works with: an empty log area, which
// takes the killed run's entries from its journal, and the one text the
// undo shows (which goes to the run's log only).
void prepareUndoRecord() {
    setup::clearSetupConfig();
    fmt::SetupConfig& record = setup::config();
    setup::startEmptyLog(record.uninstall);
    record.texts.textUndoing = static_cast<fmt::u32>(reinterpret_cast<std::uintptr_t>(kUndoText));
    setup::configLoaded = true;
}

// True when the journal in `folder` names `path` or a folder above it
// (below the drive's root) as a place its run made things in.
bool journalNamesPathOrAbove(const char* folder, const char* path) {
    char level[fmt::kMaxPath];
    if (!setup::copyBounded(level, path)) return false;
    for (;;) {
        char* last = std::strrchr(level, '\\');
        if (last == nullptr || last - level < 3) return false;
        *last = '\0';
        if (setup::journalNamesPlace(folder, level)) return true;
    }
}

// This program's file, renamed beside itself for the time of the undo.
class OwnImageAside {
public:
    explicit OwnImageAside(const char* image) {
        if (image[0] == '\0' || !setup::copyBounded(image_, image)) return;
        for (unsigned n = 1; n <= 9 && !aside_; ++n)
            aside_ = setup::formatBounded(renamed_, sizeof renamed_, "%s.~undo%u", image_, n) &&
                     MoveFileExA(image_, renamed_, 0) != 0;
    }
    // Back under its name when the installation it belongs to is still
    // there and the undo left the name free; otherwise the undo took the
    // installation away or put the earlier file back, and this one goes at
    // the next restart.
    void end(bool installationStays) {
        if (!aside_) return;
        aside_ = false;
        if (!installationStays || MoveFileExA(renamed_, image_, 0) == 0)
            MoveFileExA(renamed_, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    ~OwnImageAside() { end(true); }

private:
    char image_[fmt::kMaxPath] = {};
    char renamed_[fmt::kMaxPath] = {};
    bool aside_ = false;
};

}  // namespace

InterruptedSetup undoInterruptedSetups(const char* logPath, const char* ownImage, char* keptFolders,
                                       std::size_t keptSize) {
    constexpr std::size_t kMaxJournals = 16;
    static char folders[kMaxJournals][fmt::kMaxPath];
    const std::size_t count = setup::findInterruptedJournals(nullptr, folders, kMaxJournals);
    InterruptedSetup result = InterruptedSetup::none;
    for (std::size_t i = 0; i < count; ++i) {
        if (!journalNamesPathOrAbove(folders[i], logPath)) continue;
        prepareUndoRecord();
        setup::JournalUndo undo;
        {
            // Only a file in a place the run made things in can be one of its.
            OwnImageAside aside(journalNamesPathOrAbove(folders[i], ownImage) ? ownImage : "");
            undo = setup::undoInterruptedRun(folders[i], keptFolders, keptSize);
            aside.end(undo != setup::JournalUndo::undone || GetFileAttributesA(logPath) != INVALID_FILE_ATTRIBUTES);
        }
        if (undo == setup::JournalUndo::kept) return InterruptedSetup::kept;
        if (undo == setup::JournalUndo::undone) result = InterruptedSetup::undone;
    }
    return result;
}

}  // namespace uninstaller
