// The InstallLog file: the in-memory uninstall log written out once, at the
// end of a successful installation.
#ifndef ENGINE_LOG_UNINSTALL_LOG_FILE_H
#define ENGINE_LOG_UNINSTALL_LOG_FILE_H

#include "format/sha256.h"

namespace setup {

// Creates installDir + the configured log name through the extraction
// engine (missing folders made and logged, an existing log replaced without
// asking, the file logging itself), writes the section's first 110 +
// usedBytes bytes and closes it with the last extracted entry's time.
// Raises 4 (folder), 2 (create), 5 (write) or 3 (close). `digest` gets the
// SHA-256 of the bytes written.
void writeUninstallLogFile(char (&digest)[fmt::kSha256HexSize]);

}  // namespace setup

#endif
