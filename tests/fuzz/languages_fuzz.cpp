// The languages record as the setup program takes it: checked whole, then
// every language's texts walked, its extra texts copied, and the pages and
// the uninstaller's texts rebuilt with them into the program's buffers.
//
// Input: the record's data (format/language_table.h).
#include <cstdint>
#include <cstring>

#include "format/language_table.h"
#include "format/package_format.h"
#include "package/extra_texts.h"
#include "package/language_texts.h"

namespace {

using fmt::u32;
using fmt::u8;

// A page of every kind of item, as the builder lays one out.
struct SamplePage {
    u8 bytes[256];
    u32 size = 0;

    void add(u32 type, const void* data, u32 length) {
        const fmt::PageItem head{type, 0, length};
        std::memcpy(bytes + size, &head, sizeof head);
        std::memcpy(bytes + size + sizeof head, data, length);
        size += static_cast<u32>(sizeof head) + length;
    }
    SamplePage() {
        const std::int32_t five = 5;
        add(fmt::kItemText, "Welcome", 8);
        add(fmt::kItemIndentLeft, &five, 4);
        add(fmt::kItemDesktopCheckBox, "Desktop", 8);
        add(fmt::kItemDestinationGroup, &five, 4);
        add(fmt::kItemPreset1Radio, "Minimal", 8);
        size += sizeof(fmt::PageItem);  // the end item: zero bytes
    }
};

const SamplePage page;
u8 rebuilt[64 * 1024];
fmt::UninstallSection section;
setup::ExtraTexts extra;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (fmt::checkLanguages(data, size) != fmt::LanguagesProblem::none) return 0;
    const u32 count = fmt::languageCount(data);
    for (u32 i = 1; i < count; ++i) {
        fmt::LanguageTexts texts;
        if (!fmt::readLanguageTexts(data, size, i, texts)) __builtin_trap();
        std::size_t total = 0;
        for (const char* text : texts.slots) total += std::strlen(text);
        const char* pageText = texts.firstPageText;
        for (u32 p = 0; p < texts.pageTextCount; ++p) pageText = fmt::nextLanguageText(pageText);
        // Every text lies inside the record.
        if (pageText > reinterpret_cast<const char*>(texts.extraTexts)) __builtin_trap();
        setup::fillExtraTexts(texts.extraTexts, texts.extraTextsSize, extra);
        setup::TextRun run{texts.firstPageText, texts.pageTextCount};
        u32 used = 0;
        // Again and again until the texts run out or the buffer is full.
        while (setup::rebuildPage(page.bytes, page.bytes + page.size, run, rebuilt, sizeof rebuilt, used)) {
            if (used > sizeof rebuilt) __builtin_trap();
        }
        if (!setup::rebuildUninstallTexts(section, texts.uninstallTexts)) __builtin_trap();
        if (section.header.usedBytes + fmt::kLanguageLogRoom > fmt::kLogAreaLimit) __builtin_trap();
        (void)total;
    }
    return 0;
}
