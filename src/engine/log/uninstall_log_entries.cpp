#include "engine/log/uninstall_log_entries.h"

#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "package/setup_config.h"

namespace setup {

namespace {

void addEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text, RunEntry how) {
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

void recordLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text) {
    addEntry(kind, flag, value, text, RunEntry::recorded);
}

}  // namespace setup
