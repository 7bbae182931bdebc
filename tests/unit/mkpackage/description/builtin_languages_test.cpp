// The built-in languages: every text each one has for the builder's
// defaults, checked the way a description's own texts are checked (the
// conversions the setup program formats them with, the code page, the
// fixed limits) and against English (the same conversions in the same
// order, the same accelerators per dialog, the product's name kept).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "description/builtin_languages.h"
#include "description/builtin_texts.h"
#include "description/description.h"
#include "description/description_reader.h"
#include "description/name_texts.h"
#include "format/extension_table.h"
#include "format/text_formats.h"
#include "format/text_slots.h"
#include "text/code_page.h"

namespace {

using mkpackage::BuiltInLanguage;
using mkpackage::builtInLanguages;
using mkpackage::builtInText;

// Slots whose default is a value rather than a sentence: every language
// takes the English one.
const std::set<std::string> kUntranslated = {"productVersion", "uninstallerName"};

// A name with a percent sign and a letter every code page spells.
const std::string kName = "Zo% Writer";

// The conversions of a printf-style text in order, "%%" and the name's
// own percent sign left out.
std::vector<std::string> conversions(std::string text) {
    for (const std::string& name : {std::string("Zo%% Writer"), kName}) {
        for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.erase(at, name.size());
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() && std::string("sd").find(text[j]) == std::string::npos) ++j;
        out.push_back(text.substr(i, j + 1 - i));
        i = j;
    }
    return out;
}

// The code point at `p` of a UTF-8 text, and where the next one starts.
char32_t decode(const std::string& text, std::size_t& p) {
    const unsigned char lead = static_cast<unsigned char>(text[p]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 0; k < extra && p + 1 < text.size(); ++k) c = c << 6 | (static_cast<unsigned char>(text[++p]) & 0x3F);
    ++p;
    return c;
}

// Lower case for the letters of the built-in languages' alphabets.
char32_t folded(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 0x25;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 0x3F;
    if (c >= 0x100 && c <= 0x17F) {
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if ((c % 2 == 1) == oddUpper) return c + 1;
    }
    return c;
}

// The accelerators of a caption ("&&" is an ampersand), folded.
std::vector<char32_t> accelerators(const std::string& caption) {
    std::vector<char32_t> out;
    for (std::size_t p = 0; p < caption.size();) {
        if (caption[p] != '&') {
            decode(caption, p);
            continue;
        }
        if (++p >= caption.size()) break;
        if (caption[p] == '&') {
            ++p;
            continue;
        }
        out.push_back(folded(decode(caption, p)));
    }
    return out;
}

std::size_t characters(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t p = 0; p < text.size(); ++count) decode(text, p);
    return count;
}

// Every text one language has, by where it comes from.
struct LanguageText {
    std::string field;
    std::string english;
    std::string text;
    const char* arguments;  // as text_formats.h; nullptr: not formatted
};

std::vector<LanguageText> textsOf(const BuiltInLanguage& language) {
    std::vector<LanguageText> out;
    for (const fmt::TextSlotInfo& slot : fmt::kTextSlots) {
        if (slot.defaultText != nullptr && kUntranslated.count(slot.name) == 0) {
            const char* text = builtInText(language.code, slot.name);
            out.push_back({slot.name, slot.defaultText, text != nullptr ? text : "",
                           fmt::formatArguments(slot.offset)});
        }
        const std::string made = mkpackage::textFromName(slot.offset / 4, kName);
        if (!made.empty()) {
            out.push_back({std::string(slot.name) + " (from the name)", made,
                           mkpackage::textFromNameIn(language.code, slot.offset / 4, kName),
                           fmt::formatArguments(slot.offset)});
        }
    }
    for (const fmt::ExtraTextInfo& extra : fmt::kExtraTexts) {
        const char* text = builtInText(language.code, extra.name);
        out.push_back({extra.name, extra.defaultText, text != nullptr ? text : "", extra.arguments});
    }
    const auto english = mkpackage::defaultUninstallTexts(kName);
    const auto uninstall = mkpackage::uninstallTextsIn(language.code, kName);
    for (std::size_t i = 0; i < english.size(); ++i)
        out.push_back({"uninstaller.texts[" + std::to_string(i) + "]", english[i], uninstall[i], nullptr});
    return out;
}

TEST(BuiltInLanguages, TheTableOfLanguages) {
    struct Expected {
        const char* code;
        unsigned codePage;
        fmt::u16 primary;
    };
    const Expected expected[] = {
        {"en", 1252, 0x09}, {"de", 1252, 0x07}, {"fr", 1252, 0x0C}, {"es", 1252, 0x0A}, {"it", 1252, 0x10},
        {"nl", 1252, 0x13}, {"pl", 1250, 0x15}, {"cs", 1250, 0x05}, {"ru", 1251, 0x19}, {"el", 1253, 0x08},
    };
    ASSERT_EQ(builtInLanguages().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const BuiltInLanguage& language = builtInLanguages()[i];
        EXPECT_STREQ(language.code, expected[i].code);
        EXPECT_EQ(language.codePage, expected[i].codePage) << language.code;
        EXPECT_EQ(language.primaryLangId, expected[i].primary) << language.code;
        EXPECT_EQ(mkpackage::findBuiltInLanguage(language.code), &language);
        std::string problem;
        EXPECT_TRUE(mkpackage::TextEncoder(language.codePage).encode(language.name, problem)) << language.code;
    }
    for (const char* unknown : {"", "xx", "EN", "de-DE"}) {
        EXPECT_EQ(mkpackage::findBuiltInLanguage(unknown), nullptr) << unknown;
        EXPECT_EQ(builtInText(unknown, "captionCancel"), nullptr) << unknown;
        EXPECT_EQ(mkpackage::textFromNameIn(unknown, 11, kName), "") << unknown;
        EXPECT_EQ(mkpackage::uninstallTextsIn(unknown, kName)[0], "") << unknown;
    }
    EXPECT_STREQ(builtInText("de", "captionCancel"), "Abbrechen");
    EXPECT_STREQ(builtInText("de", "captionLanguage"), "Setup-Sprache");
    EXPECT_EQ(builtInText("de", "productVersion"), nullptr);
    EXPECT_EQ(builtInText("de", "productName"), nullptr);
    EXPECT_EQ(builtInText("de", "nothing"), nullptr);
}

// Every field a language file names is one the builder knows, once.
TEST(BuiltInLanguages, TheLanguageFilesNameKnownFieldsOnce) {
    const mkpackage::BuiltInTexts* files[] = {
        &mkpackage::kGermanTexts, &mkpackage::kFrenchTexts, &mkpackage::kSpanishTexts,
        &mkpackage::kItalianTexts, &mkpackage::kDutchTexts, &mkpackage::kPolishTexts,
        &mkpackage::kCzechTexts,  &mkpackage::kRussianTexts, &mkpackage::kGreekTexts,
    };
    for (const mkpackage::BuiltInTexts* file : files) {
        std::set<std::string> seen;
        for (const mkpackage::FieldText& text : file->defaults) {
            const fmt::TextSlotInfo* slot = fmt::findTextSlot(text.field);
            bool extra = false;
            for (const fmt::ExtraTextInfo& info : fmt::kExtraTexts) extra |= std::string(text.field) == info.name;
            EXPECT_TRUE(extra || (slot != nullptr && slot->defaultText != nullptr)) << text.field;
            EXPECT_TRUE(seen.insert(text.field).second) << text.field;
        }
        for (const mkpackage::FieldText& text : file->nameTexts) {
            const fmt::TextSlotInfo* slot = fmt::findTextSlot(text.field);
            ASSERT_NE(slot, nullptr) << text.field;
            EXPECT_FALSE(mkpackage::textFromName(slot->offset / 4, kName).empty()) << text.field;
            EXPECT_TRUE(seen.insert(text.field).second) << text.field;
        }
        EXPECT_EQ(file->uninstallTexts[1], nullptr);
        EXPECT_EQ(file->uninstallTexts[16], nullptr);
    }
}

// Each language's every text: present, in its code page, with the English
// conversions in their order, accepted by the builder's format check, within
// its limit, and naming the product wherever the English one does.
TEST(BuiltInLanguages, EveryTextPassesTheBuildersChecks) {
    // Texts that are names rather than sentences read the same everywhere.
    const std::set<std::string> kSame = {"registryKey (from the name)", "uninstallDisplayName (from the name)",
                                         "uninstaller.texts[1]", "uninstaller.texts[16]"};
    for (const BuiltInLanguage& language : builtInLanguages()) {
        const mkpackage::TextEncoder encoder(language.codePage);
        std::size_t translated = 0;
        for (const LanguageText& t : textsOf(language)) {
            SCOPED_TRACE(std::string(language.code) + " " + t.field + ": " + t.text);
            ASSERT_FALSE(t.text.empty());
            std::string problem;
            const std::optional<std::string> stored = encoder.encode(t.text, problem);
            ASSERT_TRUE(stored.has_value()) << problem;
            EXPECT_EQ(conversions(t.text), conversions(t.english));
            if (t.arguments != nullptr) {
                EXPECT_EQ(fmt::checkFormatText(t.text, t.arguments), "");
            }
            EXPECT_LT(stored->size(), fmt::kMaxExtraTextLength);
            if (t.field == "dxVersionUnknown" || t.field == "dxVersionNotFound") {
                EXPECT_LE(stored->size(), fmt::kDirectXFallbackTextLimit);
            }
            const std::string shown = t.arguments != nullptr ? "Zo%% Writer" : kName;
            EXPECT_EQ(t.text.find(shown) != std::string::npos, t.english.find(shown) != std::string::npos);
            if (kSame.count(t.field) != 0) {
                EXPECT_EQ(t.text, t.english);
            }
            translated += t.text != t.english;
        }
        // English against itself changes nothing; every other language
        // translates all but a handful ("OK", "(unknown)" in Dutch...).
        if (std::string(language.code) == "en") EXPECT_EQ(translated, 0u);
        else EXPECT_GT(translated, textsOf(language).size() * 9 / 10) << language.code;
    }
}

// The captions that share a window keep their accelerators apart, and each
// has as many as its English text.
TEST(BuiltInLanguages, AcceleratorsDoNotClashWithinADialog) {
    const std::vector<std::vector<const char*>> dialogs = {
        {"captionYes", "captionYesToAll", "captionNo", "captionCancel"},                  // replace question
        {"labelDirName", "labelDrives", "captionNetwork", "captionOk", "captionCancel"},  // directory chooser
        {"captionRetry", "captionIgnore", "captionCancel"},                              // files in use
        {"captionOk", "captionCancel"},                                                  // language question
        {"captionBrowse"},
    };
    for (const BuiltInLanguage& language : builtInLanguages()) {
        for (const std::vector<const char*>& dialog : dialogs) {
            std::set<char32_t> used;
            for (const char* field : dialog) {
                SCOPED_TRACE(std::string(language.code) + " " + field);
                const char* text = builtInText(language.code, field);
                ASSERT_NE(text, nullptr);
                const std::vector<char32_t> keys = accelerators(text);
                EXPECT_EQ(keys.size(), accelerators(builtInText("en", field)).size());
                // English keeps the defaults packages have always had, "N"
                // twice in the chooser among them: only the others are held to it.
                const bool english = std::string(language.code) == "en";
                for (char32_t key : keys)
                    EXPECT_TRUE(used.insert(key).second || english) << "accelerator U+" << std::hex << unsigned(key);
            }
        }
        const auto uninstall = mkpackage::uninstallTextsIn(language.code, kName);
        EXPECT_EQ(accelerators(uninstall[18]).size(), 1u) << language.code;
    }
}

// A caption of a button or label stays short enough for its control; the
// longer ones are measured on screen.
TEST(BuiltInLanguages, CaptionsStayShort) {
    for (const BuiltInLanguage& language : builtInLanguages()) {
        for (const char* field : {"captionOk", "captionCancel", "captionYes", "captionYesToAll", "captionNo", "captionNetwork",
                                  "captionBrowse", "captionRetry", "captionIgnore"}) {
            EXPECT_LE(characters(builtInText(language.code, field)), 20u) << language.code << " " << field;
        }
    }
}

// The German example shows nothing but German: each text it gives is the
// built-in German one (made from its name where the builder makes one).
TEST(BuiltInLanguages, TheGermanExampleShowsTheGermanTexts) {
    const mkpackage::Description d = mkpackage::readDescription(std::string(EXAMPLES_DIR) + "/writer/product-de.toml");
    const mkpackage::TextEncoder encoder(1252);
    const std::string name = "Beispiel-Writer";
    std::string problem;
    std::size_t compared = 0;
    for (fmt::u32 i = 0; i < fmt::kTextSlotCount; ++i) {
        const fmt::TextSlotInfo& slot = fmt::kTextSlots[i];
        std::string expected;
        if (const char* text = builtInText("de", slot.name)) expected = text;
        else if (std::string(slot.name) != "registryKey") expected = mkpackage::textFromNameIn("de", i, name);
        if (expected.empty()) continue;
        EXPECT_EQ(d.texts[i], encoder.encode(expected, problem).value_or("?")) << slot.name;
        ++compared;
    }
    for (const fmt::ExtraTextInfo& extra : fmt::kExtraTexts) {
        const auto given = d.extraTexts.find(extra.id);
        ASSERT_NE(given, d.extraTexts.end()) << extra.name;
        EXPECT_EQ(given->second, encoder.encode(builtInText("de", extra.name), problem).value_or("?")) << extra.name;
    }
    const auto uninstall = mkpackage::uninstallTextsIn("de", name);
    for (std::size_t i = 0; i < uninstall.size(); ++i)
        EXPECT_EQ(d.uninstallTexts[i], encoder.encode(uninstall[i], problem).value_or("?")) << i;
    EXPECT_GT(compared, 80u);
}

}  // namespace
