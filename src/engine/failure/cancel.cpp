#include "engine/failure/cancel.h"

#include "base/process_state.h"
#include "engine/extract/decode_worker.h"
#include "engine/extract/output_file.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/removal/remove_by_log.h"
#include "package/setup_config.h"

namespace setup {

bool confirmCancel() {
    if (endingRun) return false;
    const fmt::TextSlots& texts = config().texts;
    if (!questions().askYesNo(configText(texts.msgConfirmQuit), configText(texts.titleWizard))) return false;
    return !endingRun;
}

void endCancelledRun() {
    endingRun = true;
    stopDecodeWorker();
    abandonOutputFile();
    rollBackInstallation();
    const fmt::TextSlots& texts = config().texts;
    questions().message(configText(texts.msgCanceled), configText(texts.titleMessage), kMessageError);
    exitSetup(kExitCancelled);
}

}  // namespace setup
