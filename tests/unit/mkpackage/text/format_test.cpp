// The text slot table, the code page conversion and the generated pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "format/text_slots.h"
#include "sources/picture_file.h"
#include "sources/placeholder_media.h"
#include "starter/starter_product.h"
#include "text/code_page.h"

namespace {

TEST(TextSlots, EverySlotInOrderWithAUniqueName) {
    std::set<std::string> names;
    for (fmt::u32 i = 0; i < fmt::kTextSlotCount; ++i) {
        EXPECT_EQ(fmt::kTextSlots[i].offset, 4 * i) << fmt::kTextSlots[i].name;
        EXPECT_TRUE(names.insert(fmt::kTextSlots[i].name).second) << fmt::kTextSlots[i].name;
    }
    EXPECT_STREQ(fmt::findTextSlot("dxReasons14")->defaultText,
                 "The Cancel button was pressed before the application was fully installed.");
    EXPECT_STREQ(fmt::findTextSlot("msgBadChars")->defaultText,
                 "A path cannot contain any of the following characters:\n\t\t* ? \" < > |");
    EXPECT_EQ(fmt::findTextSlot("titleWizard")->defaultText, nullptr);
    EXPECT_EQ(fmt::findTextSlot("nothing"), nullptr);
}

TEST(CodePage, Windows1252) {
    const mkpackage::TextEncoder encoder(1252);
    std::string problem;
    EXPECT_EQ(encoder.encode("a\xC3\xA9\xE2\x82\xAC\xE2\x80\x9C", problem), std::optional<std::string>("a\xE9\x80\x93"));
    EXPECT_EQ(encoder.encode("\xC2\x81", problem), std::nullopt);  // U+0081 has no byte in 1252
    EXPECT_EQ(encoder.encode(std::string("a\0b", 3), problem), std::nullopt);
    EXPECT_EQ(problem, "text holds a NUL character");
    EXPECT_EQ(encoder.encode("\xC3", problem), std::nullopt);
    EXPECT_EQ(encoder.encode("\xC0\xAF", problem), std::nullopt);  // overlong "/"
    EXPECT_EQ(problem, "text is not valid UTF-8");
}

TEST(CodePage, OtherCodePagesThroughTheSystem) {
    const mkpackage::TextEncoder cyrillic(1251);
    std::string problem;
    EXPECT_EQ(cyrillic.encode("\xD0\x96", problem), std::optional<std::string>("\xC6"));  // Ж
    EXPECT_THROW(mkpackage::TextEncoder(99999), std::invalid_argument);
}

TEST(PlaceholderMedia, GeneratedPicturesPassTheirOwnChecks) {
    fmt::i32 width = 0, height = 0;
    std::string problem;
    EXPECT_TRUE(mkpackage::checkPictureData(fmt::kBlobBitmap, mkpackage::makeBitmapFile(120, 226, 0, 0xFFFFFF), width,
                                            height, problem));
    EXPECT_EQ(width, 120);
    EXPECT_EQ(height, 226);
    EXPECT_EQ(mkpackage::makeBitmapFile(120, 226, 0, 0).size(), 14u + 40u + 360u * 226u);
    EXPECT_TRUE(mkpackage::checkPictureData(fmt::kBlobIcon, mkpackage::makeIconFile(0xFF0000), width, height, problem));
    const auto clip = mkpackage::makeAnimationFile(32, 8);
    EXPECT_TRUE(mkpackage::checkPictureData(fmt::kBlobAnimation, clip, width, height, problem));
    // The RIFF size covers the whole file.
    fmt::u32 riffSize;
    std::memcpy(&riffSize, clip.data() + 4, 4);
    EXPECT_EQ(riffSize + 8, clip.size());
    EXPECT_FALSE(mkpackage::checkPictureData(fmt::kBlobIcon, clip, width, height, problem));

    // Heights: negative for a top-down bitmap; the smallest i32 names no size.
    auto bitmap = mkpackage::makeBitmapFile(2, 3, 0, 0);
    for (const auto& [stored, expected] : std::vector<std::pair<fmt::i32, bool>>{{-3, true}, {INT32_MIN, false}, {0, false}}) {
        std::memcpy(bitmap.data() + 22, &stored, 4);
        EXPECT_EQ(mkpackage::checkPictureData(fmt::kBlobBitmap, bitmap, width, height, problem), expected) << stored;
        if (expected) {
            EXPECT_EQ(height, 3);
        }
    }
}

}  // namespace
