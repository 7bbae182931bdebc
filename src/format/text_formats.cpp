#include "format/text_formats.h"

#include <cstddef>
#include <cstring>

namespace fmt {

namespace {

struct FormatSlot {
    u32 offset;
    const char* arguments;
};

constexpr FormatSlot kFormatSlots[] = {
    {offsetof(TextSlots, msgLogNotFound), "s"},
    {offsetof(TextSlots, msgLogCorrupt), "s"},
    {offsetof(TextSlots, progressFileFormat), "s"},
    {offsetof(TextSlots, progressGroupFormat), "s"},
    {offsetof(TextSlots, msgDoneFolder), "s"},
    {offsetof(TextSlots, replaceExists), "s"},
    {offsetof(TextSlots, msgCreateDir), "s"},
    {offsetof(TextSlots, msgPathIsFile), "s"},
    {offsetof(TextSlots, errArchiveCorrupt), ""},
    {offsetof(TextSlots, errCreateFile), "ss"},
    {offsetof(TextSlots, errCloseFile), "ss"},
    {offsetof(TextSlots, errCreatePath), "ss"},
    {offsetof(TextSlots, errWriteFile), "ss"},
    {offsetof(TextSlots, errOutOfMemory), ""},
    {offsetof(TextSlots, errReadPackage), "s"},
    {offsetof(TextSlots, errCrc), ""},
    {offsetof(TextSlots, errRegistry), "s"},
    {offsetof(TextSlots, errUnknownCode), "ds"},
    {offsetof(TextSlots, dxExtractGroupText), "s"},
    {offsetof(TextSlots, dxExtractFileFormat), "s"},
    {offsetof(TextSlots, dxMsgFailed), "s"},
};

// A "%" meant as a percent sign reads as a conversion ("100% done" holds "% d").
constexpr const char* kPercentHint = " (write \"%%\" for a percent sign)";

}  // namespace

const char* formatArguments(u32 offset) {
    for (const FormatSlot& slot : kFormatSlots)
        if (slot.offset == offset) return slot.arguments;
    return nullptr;
}

std::string checkFormatText(const std::string& text, const char* arguments) {
    const std::size_t available = std::strlen(arguments);
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        std::size_t j = i + 1;
        if (j < text.size() && text[j] == '%') {
            i = j;
            continue;
        }
        while (j < text.size() && std::strchr("-+ #0", text[j]) != nullptr) ++j;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
        if (j < text.size() && text[j] == '.') {
            ++j;
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
        }
        if (j >= text.size()) return "ends inside a \"%\" conversion (write \"%%\" for a percent sign)";
        const char kind = text[j] == 'i' ? 'd' : text[j];
        if (kind != 's' && kind != 'd')
            return std::string("has \"%") + text[j] + "\": only \"%s\", \"%d\" and \"%%\" are understood" +
                   kPercentHint;
        if (used == available) {
            return available == 0 ? std::string("takes no \"%\" conversions (write \"%%\" for a percent sign)")
                                  : "has more than " + std::to_string(available) + " conversion" +
                                        (available == 1 ? "" : "s") + kPercentHint;
        }
        if (arguments[used] != kind) {
            return "conversion " + std::to_string(used + 1) + " \"" + text.substr(i, j + 1 - i) + "\" must be \"%" +
                   arguments[used] + "\"" + kPercentHint;
        }
        ++used;
        i = j;
    }
    return {};
}

}  // namespace fmt
