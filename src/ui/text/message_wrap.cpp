#include "ui/text/message_wrap.h"

#include <cstring>

namespace setup {

namespace {

bool breaksLine(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool wrapLongRuns(const char* text, char* out, std::size_t size, std::size_t longestRun) {
    if (size == 0) return text[0] == '\0';
    if (longestRun == 0) longestRun = 1;
    std::size_t used = 0;
    const auto put = [&](const char* from, std::size_t count) {
        const std::size_t room = size - 1 - used;
        const std::size_t taken = count < room ? count : room;
        std::memcpy(out + used, from, taken);
        used += taken;
        return taken == count;
    };
    bool whole = true;
    for (const char* p = text; *p != '\0' && whole;) {
        if (breaksLine(*p)) {
            whole = put(p, 1);
            ++p;
            continue;
        }
        std::size_t run = 0;
        while (p[run] != '\0' && !breaksLine(p[run])) ++run;
        while (run > longestRun && whole) {
            // After the last separator that keeps the piece within the limit.
            std::size_t piece = longestRun;
            for (std::size_t i = longestRun; i > longestRun / 2; --i) {
                if (p[i - 1] == '\\' || p[i - 1] == '/') {
                    piece = i;
                    break;
                }
            }
            whole = put(p, piece) && put("\n", 1);
            p += piece;
            run -= piece;
        }
        if (whole) whole = put(p, run);
        p += run;
    }
    out[used] = '\0';
    return whole;
}

}  // namespace setup
