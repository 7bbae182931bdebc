#include "uninstaller/removal/removal.h"

#include <initializer_list>
#include <iterator>

#include "engine/log/uninstall_log.h"
#include "engine/removal/log_removal.h"
#include "engine/removal/system_keys.h"

namespace uninstaller {

namespace {

// One log's entries of one kind: a log holds at most one entry per 14 of
// its bytes.
setup::LogItem items[setup::kMaxLogFileSize / setup::kMinLogEntrySize];

bool keyIsGone(const LeftItem& item) { return !setup::registryKeyExists(item.root, item.text); }

class KeysKeptOut final : public setup::RefusedKeyNotice {
public:
    explicit KeysKeptOut(RemovalReport& report) : report_(report) {}
    void refused(const setup::LogItem& item) override {
        if (setup::registryKeyExists(item.value, item.text)) report_.add(item.kind, item.value, item.text);
        ++count;
    }
    std::size_t count = 0;

private:
    RemovalReport& report_;
};

unsigned countSteps(const fmt::u8* log) {
    unsigned steps = 1;  // the registration
    for (fmt::u8 kind : {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey})
        steps += static_cast<unsigned>(setup::collectLogEntries(log, kind, items, std::size(items)));
    return steps;
}

}  // namespace

bool removeLoggedKey(std::uint32_t root, const char* keyPath, fmt::u8 flag, const setup::OwnKeys* parentsWithin) {
    if (!setup::registryKeyExists(root, keyPath)) return true;
    if (setup::isSystemRegistryKey(keyPath)) return false;
    setup::KeyRemoval how;
    how.scope = flag == 1 ? setup::KeyScope::withEverythingBelow : setup::KeyScope::withoutSubKeys;
    how.keepSystemKeys = true;
    how.parentsWithin = parentsWithin;
    return setup::deleteRegistryKeyPath(root, keyPath, how);
}

void removeInstallation(const RemovalRun& run, RemovalProgress& progress, SelfRemoval& self,
                        RemovalReport& report) {
    const unsigned steps = countSteps(run.log);
    const fmt::u8 kinds[] = {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey};
    for (unsigned pass = 0; pass < 3; ++pass) {
        const fmt::u8 kind = kinds[pass];
        progress.phase(run.phaseTitles[pass], steps);
        std::size_t found = setup::collectLogEntries(run.log, kind, items, std::size(items));
        if (kind == fmt::kLogRegistryKey) {
            // A key the limits keep out stays, and the details say so.
            KeysKeptOut keptOut(report);
            found = setup::keepKeysWithinLimits(items, found, *run.keyLimits, &keptOut);
            for (std::size_t i = 0; i < keptOut.count; ++i) progress.step();
        }
        const setup::OwnKeys ownKeys{items, found};
        setup::sortLongestFirst(items, found);
        for (std::size_t i = 0; i < found; ++i) {
            const setup::LogItem& item = items[i];
            bool gone = false;
            switch (kind) {
            case fmt::kLogFile:
                gone = self.deferIfOwnImage(item.text) || setup::removeLoggedFile(item.text);
                break;
            case fmt::kLogFolder:
                gone = setup::removeLoggedFolder(item.text) || self.deferIfOnlyHoldsOwnImage(item.text);
                break;
            default:
                gone = removeLoggedKey(item.value, item.text, item.flag, &ownKeys);
                break;
            }
            if (!gone) report.add(kind, item.value, item.text);
            progress.step();
        }
    }
    // A key that stayed for its sub-keys may have gone with a shorter
    // flag-1 key after it.
    report.dropGone(fmt::kLogRegistryKey, keyIsGone);
    removeRegistration(*run.product, run.program, run.logPath, report);
    progress.step();
}

}  // namespace uninstaller
