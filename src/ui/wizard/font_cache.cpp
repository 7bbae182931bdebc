#include "ui/font_cache.h"

namespace setup {

HFONT fontCache[kFontCacheSize];

}  // namespace setup
