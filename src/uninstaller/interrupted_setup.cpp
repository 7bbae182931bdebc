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

// The configuration record the undo works with: the installed log's
// section as it was shipped (its texts, no entries), and the one text the
// undo shows (which goes to the log only).
void prepareUndoRecord(const fmt::u8* log, std::size_t size) {
    setup::clearSetupConfig();
    fmt::SetupConfig& record = setup::config();
    std::memcpy(&record.uninstall, log, std::min(size, sizeof record.uninstall));
    setup::resetLogToShipped(record.uninstall);
    record.texts.textUndoing = static_cast<fmt::u32>(reinterpret_cast<std::uintptr_t>(kUndoText));
    setup::configLoaded = true;
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

InterruptedSetup undoInterruptedSetups(const char* installFolder, const char* logPath, const fmt::u8* log,
                                       std::size_t size, const char* ownImage, char* keptFolders,
                                       std::size_t keptSize) {
    constexpr std::size_t kMaxJournals = 16;
    static char folders[kMaxJournals][fmt::kMaxPath];
    const std::size_t count = setup::findInterruptedJournals(nullptr, folders, kMaxJournals);
    InterruptedSetup result = InterruptedSetup::none;
    for (std::size_t i = 0; i < count; ++i) {
        if (!setup::journalNamesPlace(folders[i], installFolder)) continue;
        prepareUndoRecord(log, size);
        setup::JournalUndo undo;
        {
            OwnImageAside aside(ownImage);
            undo = setup::undoInterruptedRun(folders[i], keptFolders, keptSize);
            aside.end(undo != setup::JournalUndo::undone || GetFileAttributesA(logPath) != INVALID_FILE_ATTRIBUTES);
        }
        if (undo == setup::JournalUndo::kept) return InterruptedSetup::kept;
        if (undo == setup::JournalUndo::undone) result = InterruptedSetup::undone;
    }
    return result;
}

}  // namespace uninstaller
