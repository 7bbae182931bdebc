#include "engine/log/uninstall_log_entries.h"

#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "package/setup_config.h"

namespace setup {

void appendLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text) {
    if (appendLogEntry(config().uninstall, kind, flag, value, text)) {
        logRunEntry(kind, value, text);
    } else {
        logRunLine("the uninstall log is full: not recorded for removal:");
        logRunEntry(kind, value, text);
    }
}

}  // namespace setup
