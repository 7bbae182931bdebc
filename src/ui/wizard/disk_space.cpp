#include "ui/wizard/disk_space.h"

#include "base/bounded_text.h"
#include "engine/extract/extraction.h"
#include "package/setup_config.h"
#include "engine/paths/drive_root.h"
#include "ui/text/size_text.h"
#include "ui/wizard/page_builder.h"
#include "ui/wizard/layout/page_layout.h"

namespace setup {

namespace {

// The free space of driveRoot's drive; false when it cannot be read. An
// empty root (a relative folder) asks about the current folder's drive.
bool readFreeSpace(std::int64_t& available) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(driveRoot[0] != '\0' ? driveRoot : nullptr, &sectorsPerCluster,
                           &bytesPerSector, &freeClusters, &clusters)) {
        return false;
    }
    available = freeSpaceBytes(freeClusters, sectorsPerCluster, bytesPerSector);
    return true;
}

}  // namespace

// The space the backups of a run take is none: a file the run replaces, or
// a previous installation's file it removes, is renamed into a folder on
// its own volume (engine/undo/backup_place.h), never copied. It keeps its space
// until the run has succeeded, so the new files need all of theirs: the
// required figure is the whole unpacked size of the selection against the
// free space as it is, with every earlier file still counted as taken.
bool enoughDiskSpace(ExtractionState& selection) {
    getDriveRoot();
    computeSelectionTotals(selection);
    std::int64_t available = selection.totalUnpacked;
    readFreeSpace(available);
    return available >= static_cast<std::int64_t>(selection.totalUnpacked);
}

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
    formatSizeText(requiredText, sizeof requiredText, unit, required);
    SetDlgItemTextA(page, kIdFreeSpace, freeText);
    SetDlgItemTextA(page, kIdRequiredSpace, requiredText);
    return available >= required;
}

}  // namespace setup
