#include "ui/wizard/font_cache.h"

namespace setup {

HFONT fontCache[kFontCacheSize];

}  // namespace setup
