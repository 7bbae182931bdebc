#include "engine/log/uninstall_log_entries.h"

#include <cstring>

#include "base/bounded_text.h"
#include "engine/journal/run_journal.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/removal/log_removal.h"
#include "engine/removal/system_keys.h"
#include "package/setup_config.h"

namespace setup {

namespace {

void addEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text, RunEntry how) {
    // What the run records without making reaches the journal too: a killed
    // run is undone as its failure would have undone it, by a log whose
    // entries lie where the marks of what a rollback keeps point.
    journalLogEntry(kind, flag, value, text);
    if (appendLogEntry(config().uninstall, kind, flag, value, text)) {
        logRunEntry(kind, value, text, how);
    } else {
        logRunLine("the uninstall log is full: not recorded for removal:");
        logRunEntry(kind, value, text, how);
    }
}

}  // namespace

void appendLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text) {
    addEntry(kind, flag, value, text, RunEntry::made);
}

void appendKeyEntry(std::uint8_t flag, std::uint32_t root, const char* key) {
    // The parents are judged before the write makes them: a level that is
    // not there now is made by this run. Only administrators write below
    // HKEY_LOCAL_MACHINE; a level the user makes in between below
    // HKEY_CURRENT_USER is the user's own, and goes only when it is empty.
    char level[fmt::kMaxPath];
    if (copyBounded(level, key)) {
        for (char* end = std::strrchr(level, '\\'); end != nullptr; end = std::strrchr(level, '\\')) {
            *end = '\0';
            if (isSystemRegistryKey(level) || registryKeyExists(root, level)) break;
            addEntry(fmt::kLogRegistryKey, kLogFlagMadeParent, root, level, RunEntry::made);
        }
    }
    addEntry(fmt::kLogRegistryKey, flag, root, key, RunEntry::made);
}

void recordLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text) {
    addEntry(kind, flag, value, text, RunEntry::recorded);
}

}  // namespace setup
