// A description's further languages: what each translation holds once read
// (its own texts in its code page, the rest filled in), every defect named
// by file, line and field, and the package that carries them: no languages
// record for one language, a record every reader takes for several.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "build/extension_records.h"
#include "build/package_writer.h"
#include "build_helpers.h"
#include "common/input_error.h"
#include "description/description_reader.h"
#include "description/description_warnings.h"
#include "format/extension_table.h"
#include "format/language_table.h"
#include "format/text_slots.h"
#include "inspect/inspect_installer.h"

namespace testing_mkpackage {
namespace {

const std::string kPages =
    "[[pages]]\nitems = [{ text = \"Welcome\" }, { indent-left = 5 }, { text = \"Press Next\" }]\n"
    "[[pages]]\nitems = [{ desktop-checkbox = \"Desktop\" }, { destination-group = true }]\n";
const std::string kGerman = "[translations.de]\ncode-page = 1252\nname = \"Deutsch\"\nlanguage-id = 0x0407\n";
const std::string kRussian = "[translations.ru]\ncode-page = 1251\nname = \"Русский\"\nlanguage-id = 0x0419\n";
// A language the builder has no texts of: what a translation leaves out is the first language's.
const std::string kUkrainian = "[translations.uk]\ncode-page = 1251\nname = \"Українська\"\nlanguage-id = 0x0422\n";

std::size_t slot(const char* name) { return fmt::findTextSlot(name)->offset / 4; }

mkpackage::Description read(Workspace& ws, const std::string& body) {
    ws.write("product.toml", std::string(kProduct) + body);
    return mkpackage::readDescription(ws.descriptionPath());
}

TEST(Translations, EachHoldsItsTextsAndTheRestFilledIn) {
    Workspace ws;
    const mkpackage::Description d =
        read(ws, "[texts]\nmsgConfirmInstall = \"Install it?\"\ncaptionRetry = \"&Again\"\n" + kPages + kUkrainian +
                     "pages = [[\"Привет\"], []]\n"
                     "[translations.uk.texts]\nmsgConfirmInstall = \"Установить?\"\ncaptionIgnore = \"&Дальше\"\n"
                     "titlePrompt = \"Тест\"\n" +
                     kGerman + "[translations.de.uninstaller]\ntexts = [" + [] {
                         std::string t;
                         for (int i = 0; i < 19; ++i) t += "\"Text " + std::to_string(i) + " ä\", ";
                         return t;
                     }() + "]\n[translations.de.texts]\ndxReasons = [" + [] {
                         std::string t;
                         for (int i = 0; i < 14; ++i) t += "\"Grund " + std::to_string(i) + "\", ";
                         return t;
                     }() + "]\n" + kRussian);
    ASSERT_EQ(d.translations.size(), 3u);
    const mkpackage::TranslationSpec& ru = d.translations[0];
    EXPECT_EQ(ru.code, "uk");
    EXPECT_EQ(ru.codePage, 1251u);
    EXPECT_EQ(ru.name, "\xD3\xEA\xF0\xE0\xBF\xED\xF1\xFC\xEA\xE0");
    EXPECT_EQ(ru.primaryLanguage, 0x22);
    EXPECT_EQ(ru.subLanguage, 1);
    EXPECT_EQ(ru.texts[slot("msgConfirmInstall")], "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xE8\xF2\xFC?");
    EXPECT_EQ(ru.texts[slot("titlePrompt")], "\xD2\xE5\xF1\xF2");
    EXPECT_EQ(ru.texts[slot("uninstallDisplayName")], d.texts[slot("uninstallDisplayName")]);
    EXPECT_EQ(ru.texts[slot("productName")], d.texts[slot("productName")]);
    // Left out: the first language's, and names are the first language's always.
    EXPECT_EQ(ru.texts[slot("titleWizard")], d.texts[slot("titleWizard")]);
    EXPECT_EQ(ru.texts[slot("registryKey")], d.texts[slot("registryKey")]);
    EXPECT_EQ(ru.texts[slot("uninstallerName")], d.texts[slot("uninstallerName")]);
    EXPECT_EQ(ru.uninstallTexts, d.uninstallTexts);
    // By position: the first page's first text given, the rest the first language's.
    EXPECT_EQ(ru.pageTexts, (std::vector<std::string>{"\xCF\xF0\xE8\xE2\xE5\xF2", "Press Next", "Desktop"}));
    // Every extra text: given, the first language's, or the built-in one.
    const std::map<fmt::u16, std::string> extra(ru.extraTexts.begin(), ru.extraTexts.end());
    EXPECT_EQ(extra.at(fmt::kExtraTextIgnoreButton), "&\xC4\xE0\xEB\xFC\xF8\xE5");
    EXPECT_EQ(extra.at(fmt::kExtraTextRetryButton), "&Again");
    EXPECT_EQ(extra.at(fmt::kExtraTextFilesInUse), fmt::findExtraTextInfo(fmt::kExtraTextFilesInUse)->defaultText);

    const mkpackage::TranslationSpec& de = d.translations[1];
    EXPECT_EQ(de.uninstallTexts[0], "Text 0 \xE4");
    EXPECT_EQ(de.uninstallTexts[1], d.uninstallTexts[1]) << "the lock name is never translated";
    EXPECT_EQ(de.texts[slot("dxReasons1")], "Grund 0");
    EXPECT_EQ(de.texts[slot("dxReasons14")], "Grund 13");

    // One warning per translation, naming what shows the first language.
    std::string ruWarning;
    for (const mkpackage::Warning& w : mkpackage::findWarnings(d))
        if (w.field == "translations.uk") ruWarning = w.what;
    EXPECT_EQ(ruWarning.rfind(std::to_string(ru.fallbacks.size()) + " texts are not translated and show the first "
                              "language's (en): texts.textUpdatingSystem, ", 0), 0u) << ruWarning;
    EXPECT_NE(ruWarning.find(" and " + std::to_string(ru.fallbacks.size() - 8) + " more"), std::string::npos);
    const auto noted = [&](const std::string& field) {
        return std::find(ru.fallbacks.begin(), ru.fallbacks.end(), field) != ru.fallbacks.end();
    };
    EXPECT_TRUE(noted("texts.titleWizard"));
    EXPECT_TRUE(noted("pages[0][1]"));
    EXPECT_TRUE(noted("uninstaller.texts[3]"));
    EXPECT_FALSE(noted("texts.msgConfirmInstall"));
    EXPECT_FALSE(noted("texts.registryKey"));
    EXPECT_FALSE(noted("texts.productName"));
    EXPECT_FALSE(noted("uninstaller.texts[1]"));

    // A built-in language fills in what it leaves out with the builder's own texts of it.
    const mkpackage::TranslationSpec& builtIn = d.translations[2];
    EXPECT_EQ(builtIn.texts[slot("titleWizard")], "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE0 Test Product");
    EXPECT_EQ(builtIn.uninstallTexts[1], d.uninstallTexts[1]) << "the lock name is never translated";
    EXPECT_EQ(std::find(builtIn.fallbacks.begin(), builtIn.fallbacks.end(), "texts.titleWizard"),
              builtIn.fallbacks.end());
    EXPECT_FALSE(noted("pages[0][0]"));
}

struct BadTranslation {
    const char* name;
    std::string body;
    std::string expected;  // after "product.toml:"
};

void PrintTo(const BadTranslation& bad, std::ostream* out) { *out << bad.name; }

std::vector<BadTranslation> badTranslations() {
    // kProduct is three lines: the translation's table begins on line 4.
    return {
        {"UnknownKey", kGerman + "colour = 1\n", "8: translations.de.colour: unknown key"},
        {"UpperCaseCode", "[translations.DE]\ncode-page = 1252\nname = \"D\"\nlanguage-id = 7\n",
         "4: translations.DE: a language code has 1 to 7 lower-case letters"},
        {"LongCode", "[translations.abcdefgh]\ncode-page = 1252\nname = \"D\"\nlanguage-id = 7\n",
         "translations.abcdefgh: a language code"},
        {"OwnLanguage", "[translations.en]\ncode-page = 1252\n", "4: translations.en: is the description's own language"},
        {"CodePageOfAnUnknownLanguage", "[translations.xx]\nname = \"X\"\nlanguage-id = 7\n",
         "4: translations.xx.code-page: is missing (not a built-in language)"},
        {"IdOfAnUnknownLanguage", "[translations.xx]\ncode-page = 1252\nname = \"X\"\n",
         "4: translations.xx.language-id: is missing (not a built-in language)"},
        {"CodePageTheSystemLacks", "[translations.xx]\ncode-page = 3\nname = \"X\"\nlanguage-id = 7\n",
         "translations.xx.code-page"},
        {"TextTheCodePageCannotSpell", kGerman + "[translations.de.texts]\ntitleWizard = \"Установка\"\n",
         "9: translations.de.texts.titleWizard:"},
        {"UnknownText", kGerman + "[translations.de.texts]\nmsgHello = \"x\"\n",
         "9: translations.de.texts.msgHello: unknown key (not a text slot)"},
        {"NameThatIsTheSameEverywhere", kGerman + "[translations.de.texts]\nregistryKey = \"Software\\\\X\"\n",
         "9: translations.de.texts.registryKey: is a name, the same in every language"},
        {"ProductNameIsTheSameEverywhere", kGerman + "[translations.de.texts]\nproductName = \"X\"\n",
         "9: translations.de.texts.productName: is a name, the same in every language"},
        {"DirectXFallbackTooLong", kGerman + "[translations.de.texts]\ndxVersionUnknown = \"" + std::string(32, 'u') + "\"\n",
         "9: translations.de.texts.dxVersionUnknown: must be shorter than 32 characters"},
        {"DirectXReasonsCount", kGerman + "[translations.de.texts]\ndxReasons = [\"a\"]\n",
         "9: translations.de.texts.dxReasons: needs 14 texts, has 1"},
        {"DirectXReasonByItsSlotName", kGerman + "[translations.de.texts]\ndxReasons1 = \"a\"\n",
         "9: translations.de.texts.dxReasons1: unknown key (not a text slot)"},
        {"FormatOfAText", kGerman + "[translations.de.texts]\nmsgDoneFolder = \"%d\"\n", "9: translations.de.texts.msgDoneFolder"},
        {"TooManyPages", kPages + kGerman + "pages = [[], [], []]\n", "translations.de.pages: has 3 pages, the description 2"},
        {"TooManyTextsOnAPage", kPages + kGerman + "pages = [[\"a\", \"b\", \"c\"]]\n",
         "translations.de.pages[0]: has 3 texts, the page's items hold 2"},
        {"UninstallerTextCount", kGerman + "[translations.de.uninstaller]\ntexts = [\"a\"]\n",
         "translations.de.uninstaller.texts: needs 19 texts, has 1"},
        {"FirstLanguageTextTheCodePageCannotSpell", "[texts]\ntitleWizard = \"Grüße\"\n" + kUkrainian,
         "translations.uk.texts.titleWizard: is not given, and the first language's text cannot be spelt in code page 1251"},
        {"NameTooLong", "[translations.de]\ncode-page = 1252\nname = \"" + std::string(64, 'n') + "\"\nlanguage-id = 7\n",
         "translations.de.name: is 64 bytes, more than 63"},
        {"DialogWithoutTranslations", "[options]\nlanguage-dialog = true\n",
         "5: options.language-dialog: asks for a language, but there are no [translations]"},
        {"DialogNotABoolean", kGerman + "[options]\nlanguage-dialog = 1\n", "options.language-dialog: must be true or false"},
        {"OwnLanguageTheBuilderLacks", "language = \"qq\"\n", "product.language-id: is missing (not a built-in language)"},
        {"OwnLanguageCode", "language = \"Q Q\"\n", "4: product.language: a language code"},
    };
}

class BadTranslationTest : public ::testing::TestWithParam<BadTranslation> {};

TEST_P(BadTranslationTest, NamesFileLineAndField) {
    Workspace ws;
    ws.write("product.toml", std::string(kProduct) + GetParam().body);
    try {
        mkpackage::readDescription(ws.descriptionPath());
        FAIL() << "no error";
    } catch (const mkpackage::InputError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(GetParam().expected), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Translations, BadTranslationTest, ::testing::ValuesIn(badTranslations()),
                         [](const auto& info) { return std::string(info.param.name); });

bool hasLanguagesRecord(const fmt::PackageReport& report) {
    for (const fmt::VerifiedExtension& e : report.extensions)
        if (e.tag == fmt::kExtensionLanguages) return true;
    return false;
}

// One language: no languages record, and the bytes of a description that
// names its language "en" are those of one that does not.
TEST(Translations, OneLanguageBuildsTheSameBytes) {
    Workspace ws;
    ws.write("a.txt", "a");
    const std::string body = "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n" + kPages;
    const Bytes plain = readFile(ws.build(body, "plain.exe"));
    const Bytes named = readFile(ws.build("language = \"en\"\n" + body, "named.exe"));
    EXPECT_EQ(plain, named);
    const fmt::PackageReport report = fmt::verifyPackageFile(ws.path("plain.exe").string());
    EXPECT_TRUE(report.defect.empty()) << report.defect;
    EXPECT_FALSE(hasLanguagesRecord(report));
}

// Several: the record names every language, the verifier takes it, and
// inspect lists each language's texts in its own code page.
TEST(Translations, EveryReaderKnowsTheLanguages) {
    Workspace ws;
    ws.write("a.txt", "a");
    const std::filesystem::path installer =
        ws.build("[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n" + kPages + "[options]\nlanguage-dialog = true\n" +
                 kRussian + "pages = [[\"Привет\"]]\n" + kGerman);
    const fmt::PackageReport report = fmt::verifyPackageFile(installer.string());
    ASSERT_TRUE(report.defect.empty()) << report.defect;
    ASSERT_TRUE(hasLanguagesRecord(report));
    for (const fmt::VerifiedExtension& e : report.extensions) {
        if (e.tag != fmt::kExtensionLanguages) continue;
        ASSERT_EQ(fmt::languageCount(e.data.data()), 3u);
        EXPECT_EQ(fmt::languagesFlags(e.data.data()), fmt::kLanguagesAskUser);
        EXPECT_STREQ(fmt::languageAt(e.data.data(), 0).code, "en");
        EXPECT_STREQ(fmt::languageAt(e.data.data(), 1).code, "ru");
        EXPECT_EQ(fmt::languageAt(e.data.data(), 2).primaryLanguage, 0x07);
    }
    std::ostringstream listing, errors;
    EXPECT_TRUE(mkpackage::inspectInstaller(installer, false, listing, errors)) << errors.str();
    EXPECT_NE(listing.str().find("languages: 3\n"), std::string::npos) << listing.str();
    EXPECT_NE(listing.str().find("language ru \"Русский\", code page 1251, id 0x0419:\n"), std::string::npos);
    EXPECT_NE(listing.str().find("  page text 0 = \"Привет\"\n"), std::string::npos);

    std::ostringstream json, jsonErrors;
    EXPECT_TRUE(mkpackage::inspectInstaller(installer, true, json, jsonErrors)) << jsonErrors.str();
    const nlohmann::json document = nlohmann::json::parse(json.str());
    ASSERT_EQ(document["languages"].size(), 3u);
    EXPECT_EQ(document["languages"][1]["name"], "Русский");
    EXPECT_EQ(document["languages"][1]["pageTexts"][0], "Привет");
    EXPECT_EQ(document["languages"][0]["first"], true);
}

// The description's own language, named: the record's first entry, its
// name in the description's code page; no question unless asked for.
TEST(Translations, TheOwnLanguageIsTheFirstEntry) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string("code-page = 1251\n") + kProduct +
                                 "language = \"uk\"\nlanguage-name = \"Українська\"\nlanguage-id = 0x0422\n"
                                 "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n" + kGerman);
    const mkpackage::Description d = mkpackage::readDescription(ws.descriptionPath());
    EXPECT_EQ(d.language.code, "uk");
    EXPECT_EQ(d.language.primaryLanguage, 0x22);
    EXPECT_EQ(d.language.subLanguage, 1);
    const std::vector<fmt::u8> record = mkpackage::languagesRecord(d);
    ASSERT_EQ(fmt::checkLanguages(record.data(), record.size()), fmt::LanguagesProblem::none);
    EXPECT_EQ(fmt::languagesFlags(record.data()), 0u);
    const fmt::LanguageEntry first = fmt::languageAt(record.data(), 0);
    EXPECT_STREQ(first.code, "uk");
    EXPECT_STREQ(first.name, "\xD3\xEA\xF0\xE0\xBF\xED\xF1\xFC\xEA\xE0");
    EXPECT_EQ(first.codePage, 1251u);
    EXPECT_STREQ(fmt::languageAt(record.data(), 1).code, "de");
}

// The verifier refuses a languages record whose page texts do not match
// the pages' text items, and one that breaks its layout.
TEST(Translations, TheVerifierRefusesADamagedRecord) {
    Workspace ws;
    ws.write("a.txt", "a");
    const std::filesystem::path installer =
        ws.build("[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n" + kPages + kGerman);
    const fmt::PackageReport good = fmt::verifyPackageFile(installer.string());
    ASSERT_TRUE(good.defect.empty());
    std::size_t at = 0;
    for (const fmt::VerifiedExtension& e : good.extensions)
        if (e.tag == fmt::kExtensionLanguages) at = good.packageStart + e.dataOffset;
    ASSERT_NE(at, 0u);
    Bytes bytes = readFile(installer);
    bytes[at] = 1;  // one language
    writeFile(ws.path("damaged.exe"), bytes);
    const fmt::PackageReport damaged = fmt::verifyPackageFile(ws.path("damaged.exe").string());
    EXPECT_NE(damaged.defect.find("crc32"), std::string::npos) << damaged.defect;
}

}  // namespace
}  // namespace testing_mkpackage
