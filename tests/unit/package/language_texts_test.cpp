// A further language's texts put where the run reads them: the pages
// rebuilt item for item, and the uninstaller's texts written anew.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/language_table.h"
#include "package/language_texts.h"

namespace {

using fmt::u32;
using fmt::u8;
using Bytes = std::vector<u8>;

struct Item {
    u32 type;
    std::string data;  // a text item's with its terminator
};

Bytes page(const std::vector<Item>& items, bool withEnd = true) {
    Bytes bytes;
    for (const Item& item : items) {
        const fmt::PageItem head{item.type, 0x10, static_cast<u32>(item.data.size())};
        const u8* h = reinterpret_cast<const u8*>(&head);
        bytes.insert(bytes.end(), h, h + sizeof head);
        bytes.insert(bytes.end(), item.data.begin(), item.data.end());
    }
    if (withEnd) bytes.resize(bytes.size() + sizeof(fmt::PageItem), 0);
    return bytes;
}

std::string z(const char* text) { return std::string(text, std::strlen(text) + 1); }
std::string i32(fmt::i32 value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

// The translated texts, back to back.
const char kTexts[] = "Willkommen\0\0Weiter mit Weiter\0Desktop-Symbol";

TEST(LanguageTexts, PagesTakeTheTextsByPosition) {
    const Bytes original = page({{fmt::kItemImage, i32(2)},
                                 {fmt::kItemText, z("Welcome")},
                                 {fmt::kItemIndentLeft, i32(5)},
                                 {fmt::kItemText, z("Intro")},
                                 {fmt::kItemDestinationGroup, i32(1)},
                                 {fmt::kItemText, z("Press Next")}});
    setup::TextRun texts{kTexts, 4};
    u8 out[512];
    u32 used = 8;  // behind an earlier page
    ASSERT_TRUE(setup::rebuildPage(original.data(), original.data() + original.size(), texts, out, sizeof out, used));
    const Bytes expected = page({{fmt::kItemImage, i32(2)},
                                 {fmt::kItemText, z("Willkommen")},
                                 {fmt::kItemIndentLeft, i32(5)},
                                 {fmt::kItemText, z("")},
                                 {fmt::kItemDestinationGroup, i32(1)},
                                 {fmt::kItemText, z("Weiter mit Weiter")}});
    ASSERT_EQ(used, 8 + expected.size());
    EXPECT_EQ(Bytes(out + 8, out + used), expected);
    EXPECT_EQ(texts.left, 1u);
    EXPECT_STREQ(texts.next, "Desktop-Symbol");
}

TEST(LanguageTexts, APageThatCannotBeBuiltChangesNothing) {
    const Bytes original = page({{fmt::kItemText, z("One")}, {fmt::kItemDesktopCheckBox, z("Two")}});
    struct Case {
        const char* what;
        u32 textsLeft;
        u32 capacity;
        bool fits;
    } cases[] = {
        {"both texts there", 2, 512, true},
        {"the texts run out", 1, 512, false},
        {"no texts at all", 0, 512, false},
        {"no room for the end item", 2, 12 + 11 + 12 + 5, false},
        {"room for exactly all", 2, 12 + 11 + 12 + 5 + 12, true},
        {"no room at all", 2, 0, false},
    };
    for (const Case& c : cases) {
        setup::TextRun texts{kTexts, c.textsLeft};
        u8 out[512];
        std::memset(out, 0xAB, sizeof out);
        u32 used = 0;
        EXPECT_EQ(setup::rebuildPage(original.data(), original.data() + original.size(), texts, out, c.capacity, used),
                  c.fits)
            << c.what;
        if (c.fits) continue;
        EXPECT_EQ(used, 0u) << c.what;
        EXPECT_EQ(texts.left, c.textsLeft) << c.what;
        EXPECT_EQ(texts.next, kTexts) << c.what;
    }
}

TEST(LanguageTexts, TheWalkStopsWhereTheWizardsDoes) {
    // Without an end item, an item whose data runs past the end ends the page.
    Bytes original = page({{fmt::kItemText, z("One")}, {fmt::kItemText, z("Two")}}, false);
    original.resize(original.size() - 2);
    setup::TextRun texts{kTexts, 4};
    u8 out[512];
    u32 used = 0;
    ASSERT_TRUE(setup::rebuildPage(original.data(), original.data() + original.size(), texts, out, sizeof out, used));
    EXPECT_EQ(Bytes(out, out + used), page({{fmt::kItemText, z("Willkommen")}}));
    EXPECT_EQ(texts.left, 3u);
}

TEST(LanguageTexts, TheUninstallerTextsAreWrittenAnew) {
    auto section = std::make_unique<fmt::UninstallSection>();
    std::memset(section.get(), 0x5A, sizeof *section);
    std::string texts[fmt::kUninstallTextCount];
    const char* pointers[fmt::kUninstallTextCount];
    for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
        texts[i] = "Text " + std::to_string(i);
        pointers[i] = texts[i].c_str();
    }
    ASSERT_TRUE(setup::rebuildUninstallTexts(*section, pointers));
    const fmt::UninstallHeader& h = section->header;
    u32 used = 0;
    for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
        EXPECT_EQ(h.textOffsets[i], sizeof(fmt::UninstallHeader) + used);
        EXPECT_STREQ(reinterpret_cast<const char*>(section->data + used), pointers[i]);
        used += static_cast<u32>(texts[i].size() + 1);
    }
    EXPECT_EQ(h.usedBytes, used);
    EXPECT_EQ(h.savedUsedBytes, used);
    EXPECT_EQ(h.firstEntryOffset, sizeof(fmt::UninstallHeader) + used);
    EXPECT_EQ(h.savedFirstEntryOffset, h.firstEntryOffset);
    EXPECT_EQ(h.entryCount, 0u);
    EXPECT_EQ(section->data[used], 0);
    EXPECT_EQ(section->data[fmt::kLogAreaSize - 1], 0);

    // Texts that would leave the log too little room change nothing.
    const std::string huge(fmt::kLogAreaLimit - fmt::kLanguageLogRoom, 'x');
    pointers[3] = huge.c_str();
    const fmt::UninstallHeader before = h;
    EXPECT_FALSE(setup::rebuildUninstallTexts(*section, pointers));
    EXPECT_EQ(std::memcmp(&before, &h, sizeof h), 0);
}

}  // namespace
