#include "engine/removal/remove_by_log.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>
#include <iterator>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/journal/run_journal.h"
#include "engine/log/log_digest.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/removal/log_removal.h"
#include "engine/removal/product_keys.h"
#include "engine/removal/registry_limits.h"
#include "engine/removal/removal_limits.h"
#include "engine/removal/removal_places.h"
#include "engine/system/product_registration.h"
#include "engine/system/registry.h"
#include "engine/system/shortcuts.h"
#include "engine/undo/file_backups.h"
#include "engine/undo/registry_backups.h"
#include "engine/undo/run_backups.h"
#include "package/setup_config.h"

namespace setup {

namespace {

// The removal never allocates, so that a rollback runs whatever the memory:
// a log is at most a whole section, whether it is this run's own or a file,
// and holds at most one entry per 14 of its bytes.
std::uint8_t logFileBytes[kMaxLogFileSize];
LogItem logItems[kMaxLogFileSize / kMinLogEntrySize];

// The popup of one removal, closed on every way out, a raised failure too.
struct RemovalPopup {
    StatusPopup shown = 0;
    ~RemovalPopup() { close(); }
    void close() {
        display().closeStatus(shown);
        shown = 0;
    }
};

// The folder the previous installation went into: its "InstallDir" value
// (written under HKEY_LOCAL_MACHINE, where only administrators write), or
// without one the log's own folder less the levels of the configured log
// name.
void previousInstallFolder(const char* logPath, char (&folder)[fmt::kMaxPath]) {
    readRegistryString(folder, sizeof folder, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "InstallDir", "");
    if (folder[0] != '\0') return;
    copyBounded(folder, logPath);
    const std::size_t length = std::strlen(folder);
    const std::size_t nameLength = std::strlen(configText(config().texts.uninstallLogName));
    if (nameLength < length && folder[length - nameLength - 1] == '\\') {
        folder[length - nameLength] = '\0';
    } else if (char* last = std::strrchr(folder, '\\')) {
        last[1] = '\0';
    }
}

// The limits of a log from disk: where an installation of this product
// could have put its files and folders. They are the uninstaller's: only
// shortcuts in the shell folders, and an install folder that reaches a
// whole drive or the system's files bounds nothing (usable() false).
struct PreviousInstallationLimits {
    char installFolder[fmt::kMaxPath];
    RemovalPlaces places;

    explicit PreviousInstallationLimits(const char* logPath) { previousInstallFolder(logPath, installFolder); }
    bool usable() const { return places.usableInstallFolder(installFolder); }
    RemovalLimits limits() const { return places.limitsFor(installFolder); }
};

// A previous installation's keys are saved whole before they go; a key
// that cannot be saved stays.
class SaveBeforeDeleting final : public KeyDeletionGuard {
public:
    bool mayDelete(std::uint32_t root, const char* keyPath) override {
        if (!saveKeyBeforeRemoval(root, keyPath)) return false;
        journalBackups();
        return true;
    }
    void deleteEnded(bool deleted) override { keyRemovalEnded(deleted); }
};

// This run's own removal deletes only the keys the run made: a key that was
// there before keeps what it held, and gets back the values the run changed.
class OnlyKeysOfThisRun final : public KeyDeletionGuard {
public:
    bool mayDelete(std::uint32_t root, const char* keyPath) override { return keyMadeByRun(root, keyPath); }
    void deleteEnded(bool) override {}
};

// A previous installation's files and folders are taken away so that a
// rollback can give them back: a file is moved aside, a folder removed and
// remembered. What deleting would pass over (a read-only file, one in use,
// a folder that is not empty) stays, as does a file that cannot be moved
// aside.
void removePreviousEntry(const LogItem& item, KeyRemoval how) {
    switch (item.kind) {
    case fmt::kLogFile: {
        const DWORD attributes = GetFileAttributesA(item.text);
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0)
            moveFileAside(item.text, FaultSite::backUpRemovedFile);
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA | SHCNF_FLUSH, item.text, nullptr);
        break;
    }
    case fmt::kLogFolder:
        removeFolderAside(item.text);
        SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA | SHCNF_FLUSH, item.text, nullptr);
        break;
    default:
        removeLogEntry(item, how);
        break;
    }
}

// How far a log from disk is believed: its digest under the product's
// HKEY_LOCAL_MACHINE key, where only administrators write.
LogTrust previousLogTrust(const std::uint8_t* log, std::size_t size) {
    char recorded[fmt::kMaxPath];
    readRegistryString(recorded, sizeof recorded, HKEY_LOCAL_MACHINE, configText(config().texts.registryKey),
                       kLogDigestValue, "");
    return judgeLogDigest(log, size, recorded);
}

// A key of the previous log that the product does not name stays, as the
// run's log says.
class PassOverKey final : public RefusedKeyNotice {
public:
    void refused(const LogItem& item) override {
        logRunLine("passed over the key %s\\%s: not one of the product's keys",
                   item.value == fmt::kRootCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE", item.text);
    }
};

// The end of a removal of this run's own entries: the system uninstall
// entry the run wrote (the log does not name it) goes, then everything the
// run moved aside or changed comes back.
void giveBackWhatTheRunTook(RemovalMode mode) {
    if (mode == RemovalMode::kCurrentInstallation) removeWrittenUninstallEntry();
    if (mode == RemovalMode::kTemporaryFiles)
        restoreRunBackupsGoingOn();
    else
        restoreRunBackups();
}

}  // namespace

void removeByLog(RemovalMode mode, const char* text, fmt::ImageIndex image, const char* logPath) {
    RemovalPopup popup;
    popup.shown = display().openStatus(text, image);

    const std::uint8_t* log = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    LogTrust trust = LogTrust::trusted;
    if (mode == RemovalMode::kPreviousInstallation) {
        const fmt::TextSlots& texts = config().texts;
        std::size_t size = 0;
        const LogFileRead read = readLogFile(logPath, logFileBytes, size);
        if (read == LogFileRead::notFound) {
            popup.close();
            showError(configText(texts.msgLogNotFound), logPath);
            return;
        }
        log = logFileBytes;
        const PreviousInstallationLimits previous(logPath);
        trust = read == LogFileRead::ok ? previousLogTrust(log, size) : LogTrust::damaged;
        if (trust == LogTrust::damaged || !previous.usable() ||
            checkDiskLog(log, size, previous.limits(), logItems, std::size(logItems)) !=
                DiskLogVerdict::ok) {
            popup.close();
            showError(configText(texts.msgLogCorrupt), logPath);
            return;
        }
        journalPlace(previous.installFolder);
        if (trust == LogTrust::noDigest)
            logRunLine("warning: the uninstall log %s has no digest (an installation from before digests): "
                       "it is checked strictly, and only the product's own keys are removed",
                       logPath);
    } else if (checkLog(log, sizeof(fmt::UninstallSection), LogOrigin::thisRun) != LogCheck::ok) {
        // This run's own log is always sound; never walk one that is not.
        giveBackWhatTheRunTook(mode);
        return;
    }

    const bool previous = mode == RemovalMode::kPreviousInstallation;
    SaveBeforeDeleting saveFirst;
    OnlyKeysOfThisRun onlyOwnKeys;
    KeyRemoval keys;
    // A log from disk may have been edited: the keys the system and other
    // programs share (top-level keys, everything outside Software and the
    // shared keys below it) are never deleted by it.
    keys.keepSystemKeys = previous;
    keys.guard = previous ? static_cast<KeyDeletionGuard*>(&saveFirst) : &onlyOwnKeys;
    OwnKeys ownKeys{logItems, 0};
    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey}) {
        std::size_t found = collectLogEntries(log, kind, logItems, std::size(logItems));
        if (previous && kind == fmt::kLogRegistryKey) {
            // Even a log whose digest matched removes only the product's
            // keys, and its walk up only the parents the product made.
            PassOverKey passOver;
            found = keepKeysWithinLimits(logItems, found, productRegistryLimits(trust == LogTrust::trusted),
                                         &passOver);
            ownKeys.count = found;
            keys.parentsWithin = &ownKeys;
        }
        sortLongestFirst(logItems, found);
        // Whatever stays is passed over: a previous installation or this
        // run's rollback goes on regardless.
        for (std::size_t i = 0; i < found; ++i) {
            const LogItem& item = logItems[i];
            if (previous) {
                KeyRemoval how = keys;
                if (item.flag == kLogFlagMadeParent) how.scope = KeyScope::withoutSubKeys;
                removePreviousEntry(item, how);
            } else if (item.kind != fmt::kLogFile || !isKeptAtRollback(item.entryOffset)) {
                removeLogEntry(item, keys);
            }
        }
    }
    if (mode == RemovalMode::kTemporaryFiles) {
        resetLogToShipped(config().uninstall);
        journalLogReset();
    }
    if (!previous) giveBackWhatTheRunTook(mode);
}

void removePreviousInstallation() {
    char logPath[fmt::kMaxPath];
    readRegistryString(logPath, sizeof logPath, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "UnInstallLog", "");
    if (logPath[0] == '\0') return;
    removeByLog(RemovalMode::kPreviousInstallation, configText(config().texts.textRemovingPrevious),
                fmt::kImageRemovingPrevious, logPath);
}

std::size_t previousInstallationFiles(const LogItem*& files) {
    files = logItems;
    char logPath[fmt::kMaxPath];
    readRegistryString(logPath, sizeof logPath, HKEY_LOCAL_MACHINE, configText(config().texts.registryKey),
                       "UnInstallLog", "");
    std::size_t size = 0;
    if (logPath[0] == '\0' || readLogFile(logPath, logFileBytes, size) != LogFileRead::ok) return 0;
    const PreviousInstallationLimits previous(logPath);
    if (previousLogTrust(logFileBytes, size) == LogTrust::damaged || !previous.usable() ||
        checkDiskLog(logFileBytes, size, previous.limits(), logItems, std::size(logItems)) != DiskLogVerdict::ok)
        return 0;
    return collectLogEntries(logFileBytes, fmt::kLogFile, logItems, std::size(logItems));
}

void rollBackInstallation() {
    if (!configLoaded) return;
    removeByLog(RemovalMode::kCurrentInstallation, configText(config().texts.textUndoing),
                fmt::kImageUndoing, nullptr);
}

}  // namespace setup
