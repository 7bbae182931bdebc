// The extraction engine: writes the stored files of the selected components
// into a destination folder under the display's progress window, recording
// every file and folder it makes.
#ifndef ENGINE_EXTRACT_EXTRACTION_H
#define ENGINE_EXTRACT_EXTRACTION_H

#include "engine/extract/extraction_state.h"

namespace setup {

// Sums Component.packedSize and Component.unpackedSize over the selected
// components (32-bit sums) and resets the progress count.
void computeSelectionTotals(ExtractionState& state);

// The whole run: progress window, every entry of every selected component,
// window closed. Returns only when every selected file is handled; a cancel
// confirmed in the progress window or at the replace question ends the run
// (engine/failure/cancel.h).
void extractComponents(ExtractionState& state);

}  // namespace setup

#endif
