// One installer, three languages: the example product with German and
// Russian translations, run in Wine's German, Russian, Japanese and English
// locales and with /LANG=. Texts come back through the robot as the 8-bit
// bytes of the language's code page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kExample[] = "setup.exe";
const char kCaption[] = "Example Writer Setup";
const std::string kExampleEntry = kUninstallKeys + "Example Writer";

// The translations appended to the example's description (UTF-8, as a
// description is written).
const char kTranslations[] = R"(
[translations.de]
code-page = 1252
name = "Deutsch"
language-id = 0x0407
pages = [
  ["Willkommen", "\nDies installiert Example Writer auf Ihrem Computer.", "\nSchließen Sie am besten alle anderen Programme.", "Weiter mit „Weiter“."],
]

[translations.de.texts]
msgConfirmInstall = "Dies installiert Example Writer auf Ihrem Computer.\n\nMöchten Sie fortfahren?"
msgConfirmUpgrade = "Eine ältere Version von Example Writer ist installiert.\n\nMöchten Sie sie aktualisieren?"
progressTitle = "Example Writer wird installiert"
msgDoneStartMenu = "Example Writer ist installiert.\n\nSie finden es im Startmenü."

[translations.de.uninstaller]
texts = [
  "Example Writer entfernen", "Lock_Example Writer",
  "Example Writer läuft noch. Bitte schließen Sie es vor dem Entfernen.",
  "Möchten Sie Example Writer und alle seine Komponenten wirklich entfernen?",
  "Dateien werden entfernt", "Ordner werden entfernt", "Registrierungseinträge werden entfernt", "Fertig",
  "Example Writer wurde von Ihrem Computer entfernt.",
  "Beim Entfernen von Example Writer sind Fehler aufgetreten.",
  "Entfernen", "Example Writer wird entfernt, bitte warten...", "Beim Entfernen sind Fehler aufgetreten",
  "-- Diese Dateien konnten nicht entfernt werden --", "-- Diese Ordner konnten nicht entfernt werden --",
  "-- Diese Registrierungseinträge konnten nicht entfernt werden --", "Example Writer", "OK", "&Details...",
]

[translations.ru]
code-page = 1251
name = "Русский"
language-id = 0x0419
pages = [["Добро пожаловать"]]

[translations.ru.texts]
msgConfirmInstall = "Будет установлен Example Writer.\n\nПродолжить?"
)";

// What each language's question, first page and completion say, as the
// code page's bytes.
struct Spoken {
    const char* question;
    const char* firstPage;
    const char* completion;
};
const Spoken kEnglish = {"Do you want to continue?", "Welcome", "You will find it in the Start menu."};
const Spoken kGerman = {"M\xF6" "chten Sie fortfahren?", "Willkommen", "Sie finden es im Startmen\xFC."};
const Spoken kRussian = {"\xCF\xF0\xEE\xE4\xEE\xEB\xE6\xE8\xF2\xFC?", "\xC4\xEE\xE1\xF0\xEE \xEF\xEE\xE6\xE0\xEB\xEE\xE2\xE0\xF2\xFC",
                         "You will find it in the Start menu."};

class LanguageScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        deleteKeyAtEnd(kExampleEntry);
        removeAtEnd(wineSession().hostUserFolder("Desktop/Example Writer Read Me.lnk"));
        removeAtEnd(wineSession().hostUserFolder("AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Example Writer"));
    }

    // The example, copied into the scenario's folder once; an upgrade is the
    // same description with another version.
    void buildExample(const std::string& version = "1.00") {
        if (example_.empty()) example_ = exampleToml("writer");
        std::string toml = example_;
        toml = std::regex_replace(toml, std::regex("\nversion = \"1.00\""), "\nversion = \"" + version + "\"");
        std::ofstream(hostDir() + "/product.toml") << toml << kTranslations;
        const CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/" + kExample);
        ASSERT_EQ(built.exitCode, 0) << built.output;
    }

    std::string example_;

    std::string storedLanguage() const {
        return wineSession().readRegistryString(machineKey(), "Language").value_or("(none)");
    }

    // Walks an attended run to its end and checks each text it speaks.
    void installSpeaking(const Spoken& spoken, const std::vector<std::string>& arguments = {}) {
        Process& setup = startWith(kExample, arguments);
        std::optional<Window> question = waitWindow(kExample, "question");
        ASSERT_TRUE(question);
        EXPECT_NE(question->message.find(spoken.question), std::string::npos) << question->message;
        answer(*question, kIdYes);
        unsigned long previous = 0;
        for (int page = 0; page < 8; ++page) {
            std::optional<WizardPage> view = waitWizardPage(kExample, "page", previous);
            ASSERT_TRUE(view);
            if (page == 0) EXPECT_NE(view->withText(spoken.firstPage), nullptr) << "the first page lacks its title";
            if (view->offers(kWizardFinish)) {
                robot.click(view->sheet.hwnd, kWizardFinish);
                break;
            }
            robot.click(view->sheet.hwnd, kWizardNext);
            previous = view->page;
        }
        std::optional<Window> done = waitMessageBox(kExample, kCaption, "completion");
        ASSERT_TRUE(done);
        EXPECT_NE(done->message.find(spoken.completion), std::string::npos) << done->message;
        answer(*done, kIdOk);
        EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    }

    // The first question of an attended run, declined: nothing is changed.
    void expectQuestion(const char* text, const std::vector<std::string>& arguments = {}) {
        Process& setup = startWith(kExample, arguments);
        std::optional<Window> question = waitWindow(kExample, "question");
        ASSERT_TRUE(question);
        EXPECT_NE(question->message.find(text), std::string::npos) << question->message;
        answer(*question, kIdNo);
        EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    }

    void uninstallSilently() {
        const std::string command = wineSession().readRegistryString(kExampleEntry, "UninstallString").value_or("");
        ASSERT_EQ(runQuietUninstall(command), kUninstallRemoved) << command;
    }
};

// German locale: the question, every page, the completion and the stored
// value speak German, and so does the uninstaller of that installation,
// whose log carries the German texts; it takes the value away.
TEST_F(LanguageScenario, GermanLocaleInstallsAndUninstallsInGerman) {
    buildExample();
    {
        WineLocale german("de_DE.UTF-8");
        installSpeaking(kGerman);
    }
    EXPECT_EQ(storedLanguage(), "de");
    Bytes bytes;
    ASSERT_TRUE(readFile(hostInstallFolder() + "InstallLog", bytes));
    std::string problem;
    const std::optional<InstallLogFile> log = parseInstallLog(bytes, problem);
    ASSERT_TRUE(log) << problem;
    ASSERT_EQ(log->texts.size(), 19u);
    EXPECT_EQ(log->texts[3], "M\xF6" "chten Sie Example Writer und alle seine Komponenten wirklich entfernen?");

    // The uninstaller asks in German under an English locale too; No keeps everything.
    const std::string command = wineSession().readRegistryString(kExampleEntry, "UninstallString").value_or("");
    Process uninstall = robot.runCommandLine(command, kExitTimeout);
    // Its question carries the German title (the uninstaller's first text).
    std::optional<Window> asked = waitWindow(WindowQuery::titled("UnInst.exe", "Example Writer entfernen"),
                                             "uninstaller's question");
    ASSERT_TRUE(asked);
    EXPECT_NE(asked->message.find("wirklich entfernen?"), std::string::npos) << asked->message;
    answer(*asked, kIdNo);
    exitCodeOf(uninstall);

    uninstallSilently();
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey())) << "the product's values stay";
}

// The locale decides among the languages whose code page it has: Russian
// (1251) speaks Russian, and its texts come as 1251 bytes; Japanese (932),
// which no translation has, the first language.
TEST_F(LanguageScenario, LocaleChoosesAmongTheLanguagesItsCodePageShows) {
    buildExample();
    {
        WineLocale russian("ru_RU.UTF-8");
        installSpeaking(kRussian);
    }
    EXPECT_EQ(storedLanguage(), "ru");
    uninstallSilently();
    WineLocale japanese("ja_JP.UTF-8");
    expectQuestion(kEnglish.question);
}

// /LANG= wins over the locale, attended and not; a code the installer lacks
// is a bad option, and nothing is changed. An upgrade speaks the language
// the product was installed in, unless /LANG= says otherwise.
TEST_F(LanguageScenario, LanguageOptionAndUpgradeKeepTheLanguage) {
    buildExample();
    EXPECT_EQ(runSilently(kExample, {"/S", "/LANG=xx"}), kSetupBadOption);
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(fs::exists(hostInstallFolder()));
    {
        WineLocale german("de_DE.UTF-8");
        expectQuestion(kEnglish.question, {"/LANG=EN"});
    }
    ASSERT_EQ(runSilently(kExample, {"/S", "/LANG=de"}), kSetupDone);
    EXPECT_EQ(storedLanguage(), "de");

    buildExample("1.01");
    expectQuestion("\xE4ltere Version");  // German, under the English locale
    expectQuestion("older version", {"/LANG=en"});
    uninstallSilently();
}

}  // namespace
}  // namespace e2e
