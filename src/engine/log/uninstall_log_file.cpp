#include "engine/log/uninstall_log_file.h"

#include <algorithm>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/extract/output_file.h"
#include "format/sha256.h"
#include "package/setup_config.h"

namespace setup {

void writeUninstallLogFile(char (&digest)[fmt::kSha256HexSize]) {
    fmt::UninstallSection& section = config().uninstall;
    // The log is made like an extracted file of that name; the entry's
    // header, and so the file's time, stays that of the last file extracted.
    copyBounded(currentEntry.name, configText(config().texts.uninstallLogName));
    bool replaceAll = true;
    bool skip = false;
    openOutputFile(installDir, replaceAll, skip);

    // Taken after the open, so that the file's own entry is in it. A shipped
    // count beyond the area cannot come from appending; it is bounded all the same.
    const std::uint32_t usedBytes = section.header.usedBytes;  // the packed field, copied aligned
    const std::uint32_t used = std::min(usedBytes, fmt::kLogAreaSize);
    const std::uint32_t size = static_cast<std::uint32_t>(sizeof section.header) + used;
    fmt::sha256Hex(&section, size, digest);
    writeOutput(outputFile, &section, size);
    closeOutputFile(skip);
}

}  // namespace setup
