#include "ui/wizard/disk_space.h"

#include "base/bounded_text.h"
#include "engine/extract/extraction.h"
#include "engine/extract/free_space.h"
#include "engine/paths/drive_root.h"
#include "package/setup_config.h"
#include "ui/text/size_text.h"
#include "ui/wizard/layout/page_layout.h"
#include "ui/wizard/page_builder.h"

namespace setup {

bool updateDiskSpace(HWND page, ExtractionState& selection) {
    HWND requiredLine = GetDlgItem(page, kIdRequiredSpaceText);
    const bool figures = GetDlgItem(page, kIdRequiredSpace) != nullptr ||
                         GetDlgItem(page, kIdFreeSpace) != nullptr;
    if (!figures && requiredLine == nullptr) return true;

    getDriveRoot();
    computeSelectionTotals(selection);
    const std::int64_t required = selection.totalUnpacked;

    if (requiredLine != nullptr) {
        char figure[kSizeTextSize];
        formatSizeText(figure, sizeof figure, kAutomaticUnit, required);
        char line[512];
        copyBounded(line, requiredSizeText);
        appendBounded(line, figure);
        SetWindowTextA(requiredLine, line);
        return true;
    }

    char freeText[kSizeTextSize];
    int unit = kAutomaticUnit;
    std::int64_t available = required;  // unknown free space passes
    if (readFreeSpace(available)) {
        unit = formatSizeText(freeText, sizeof freeText, kAutomaticUnit, available);
    } else {
        copyBounded(freeText, configText(config().texts.textSizeUnknown));
    }
    char requiredText[kSizeTextSize];
    formatRequiredSizeText(requiredText, sizeof requiredText, unit, required);
    SetDlgItemTextA(page, kIdFreeSpace, freeText);
    SetDlgItemTextA(page, kIdRequiredSpace, requiredText);
    return available >= required;
}

}  // namespace setup
