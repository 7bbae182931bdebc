// Polish.
#include "description/builtin_texts.h"

namespace mkpackage {
namespace {

constexpr FieldText kDefaults[] = {
    {"textUpdatingSystem", "Instalator aktualizuje składniki systemu. Proszę czekać..."},
    {"textUndoing", "Instalator cofa zmiany, które wprowadził w systemie."},
    {"msgLogWriteFailed", "Nie można zapisać dziennika dezinstalacji. Odinstalowanie programu może okazać się niemożliwe."},
    {"captionOk", "OK"},
    {"captionCancel", "Anuluj"},
    {"captionYes", "&Tak"},
    {"captionYesToAll", "Tak na &wszystkie"},
    {"captionNo", "&Nie"},
    {"captionNetwork", "&Sieć..."},
    {"captionBrowse", "&Przeglądaj..."},
    {"progressFileFormat", "Wypakowywanie: %s"},
    {"progressGroupFormat", "Grupa: %s"},
    {"replaceTitle", "Potwierdzenie zastąpienia pliku"},
    {"replaceExists", "Ten folder zawiera już plik o nazwie '%s'."},
    {"replaceQuestion", "Czy chcesz zastąpić istniejący plik"},
    {"replaceWithThis", "tym plikiem?"},
    {"replaceModifiedOn", "zmodyfikowany "},
    {"replaceNoInfo", "(Nie można uzyskać informacji o pliku)"},
    {"chooseDirTitle", "Wybierz folder"},
    {"titleInvalidPath", "Nieprawidłowa ścieżka"},
    {"labelDirName", "&Nazwa folderu:"},
    {"labelDrives", "&Dyski:"},
    {"msgCreateDir", "Folder:\n\n'%s'\n\nnie istnieje. Czy chcesz go utworzyć?"},
    {"labelSpaceRequired", "Miejsce na dysku wymagane do instalacji:"},
    {"labelSpaceFree", "Wolne miejsce na dysku docelowym:"},
    {"msgPathIsFile", "Podana ścieżka:\n\n'%s'\n\njest plikiem, a nie folderem. Nie można instalować w tej ścieżce."},
    {"msgPathEmpty", "Musisz podać prawidłową ścieżkę instalacji."},
    {"msgPathTooLong", "Podana ścieżka ma więcej niż 150 znaków. Podaj krótszą ścieżkę."},
    {"msgBadDrive", "Podana litera dysku jest nieprawidłowa. Podaj prawidłową ścieżkę."},
    {"msgBadChars", "Ścieżka nie może zawierać żadnego z następujących znaków:\n\t\t* ? \" < > |"},
    {"textSizeUnknown", "(nieznany)"},
    {"errArchiveCorrupt", "Archiwum w pliku INSTALL.EXE jest uszkodzone.\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errCreateFile", "Nie można utworzyć pliku '%s'.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errCloseFile", "Nie można zamknąć pliku '%s'.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errCreatePath", "Nie można utworzyć ścieżki '%s'.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errWriteFile", "Nie można zapisywać do pliku '%s'.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errOutOfMemory", "Za mało pamięci.\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errReadPackage", "Nie można odczytać pliku instalacyjnego.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errCrc", "Błąd CRC w danych instalacyjnych!\nArchiwum w pliku INSTALL.EXE jest uszkodzone.\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errRegistry", "Błąd rejestru.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"errUnknownCode", "Nieznany kod błędu %d.\nBłąd: %s\n\nInstalacja nie powiodła się i zostanie zakończona."},
    {"dxVersionUnknown", "(nieznana)"},
    {"dxVersionNotFound", "(nie znaleziono)"},
    {"dxExtractTitle", "Wypakowywanie DirectX 5 Setup"},
    {"dxExtractGroupText", "Wypakowywanie Microsoft DirectX 5 Setup. Proszę czekać..."},
    {"dxExtractFileFormat", "Plik: %s"},
    {"dxTextCleanup", "Instalator usuwa pliki tymczasowe DirectX 5 Setup. Proszę czekać..."},
    {"dxReasons1", "Nie można znaleźć biblioteki DirectXSetup (dsetup.lib)."},
    {"dxReasons2", "Nie można znaleźć funkcji DirectXSetup."},
    {"dxReasons3", "Nie można sprawdzić rozmiaru pliku lub jest on nieprawidłowy."},
    {"dxReasons4", "Nie można sprawdzić daty i godziny pliku lub są one nieprawidłowe."},
    {"dxReasons5", "DirectX nie obsługuje wersji systemu Windows zainstalowanej na tym komputerze."},
    {"dxReasons6", "Instalator nie może znaleźć folderu roboczego."},
    {"dxReasons7", "Nie można znaleźć wymaganego pliku .inf."},
    {"dxReasons8", "Wystąpił błąd wewnętrzny."},
    {"dxReasons9", "Nie można sprawdzić wersji pliku lub jest ona nieprawidłowa."},
    {"dxReasons10", "W wersji systemu Windows NT na tym komputerze nie zainstalowano wszystkich składników DirectX."},
    {"dxReasons11", "Podczas instalacji zabrakło miejsca na dysku."},
    {"dxReasons12", "Nie można znaleźć jednego z wymaganych plików źródłowych."},
    {"dxReasons13", "System operacyjny tego komputera nie jest obecnie obsługiwany."},
    {"dxReasons14", "Naciśnięto przycisk Anuluj, zanim aplikacja została w pełni zainstalowana."},
    {"msgPreviousLeftovers", "Tych plików poprzedniej instalacji nie można było usunąć i pozostają na swoim miejscu:\n\n%s"},
    {"msgFolderNotAllowed", "%s nie może być folderem docelowym: jest to katalog główny dysku lub udziału sieciowego, folder "
                            "Windows lub systemowy albo folder, który je zawiera. Wybierz inny folder."},
    {"msgProgramsInUse", "Te programy używają plików, które instalator musi zastąpić lub usunąć. Zamknij je i wybierz Ponów albo "
                         "wybierz Ignoruj, aby kontynuować; pliki zostaną wtedy zastąpione po ponownym uruchomieniu komputera."},
    {"msgFilesInUse", "Te pliki, które instalator musi zastąpić lub usunąć, są używane przez inny program. Zamknij go i wybierz "
                      "Ponów albo wybierz Ignoruj, aby kontynuować; pliki zostaną wtedy zastąpione po ponownym uruchomieniu "
                      "komputera."},
    {"captionRetry", "&Ponów"},
    {"captionIgnore", "&Ignoruj"},
    {"msgInterruptedUndone", "Wcześniejsza instalacja tego produktu została przerwana przed zakończeniem. Wszystkie wprowadzone "
                             "przez nią zmiany zostały cofnięte."},
    {"msgInterruptedKept", "Wcześniejsza instalacja tego produktu została przerwana przed zakończeniem, a jej zapis nie jest "
                           "wiarygodny, dlatego niczego nie cofnięto. To, co odłożyła na bok, znajduje się w tych "
                           "folderach:\n\n%s"},
    {"msgFolderNameUnusable", "Nazwy folderu %s nie można zapisać w stronie kodowej tego systemu (\"?\" oznacza brakujące "
                              "znaki), a jego dysk nie nadaje mu krótkiej nazwy, której można by użyć zamiast niej. Instalator "
                              "niczego nie zmienił. Instalacja będzie możliwa po włączeniu krótkich nazw na tym dysku lub jako "
                              "użytkownik, którego nazwy folderów da się zapisać w tej stronie kodowej."},
    {"captionLanguage", "Język instalacji"},
    {"msgChooseLanguage", "Wybierz język, który będzie używany podczas instalacji:"},
};

constexpr FieldText kNameTexts[] = {
    {"textRemovingPrevious", "Instalator usuwa poprzednią instalację programu {}. Proszę czekać..."},
    {"msgLogNotFound", "Nie można otworzyć dziennika dezinstalacji poprzedniej instalacji:\n%s\n\nInstalator zainstaluje program w miejsce poprzedniej instalacji."},
    {"msgLogCorrupt", "Dziennik dezinstalacji poprzedniej instalacji jest uszkodzony:\n%s\n\nInstalator zainstaluje program w miejsce poprzedniej instalacji."},
    {"msgLowDiskSpace", "Na dysku docelowym brakuje wolnego miejsca.\n\nCzy mimo to zainstalować?"},
    {"msgConfirmInstall", "Program {} zostanie zainstalowany na tym komputerze.\n\nCzy chcesz kontynuować?"},
    {"msgConfirmUpgrade", "Zainstalowana jest starsza wersja programu {}.\n\nCzy chcesz ją uaktualnić?"},
    {"msgConfirmReinstall", "Ta wersja programu {} jest już zainstalowana.\n\nCzy chcesz zainstalować ją ponownie?"},
    {"msgNewerInstalled", "Zainstalowana jest już nowsza wersja programu {}.\n\nInstalator zostanie zamknięty."},
    {"msgConfirmQuit", "Instalacja nie została ukończona. Czy na pewno chcesz ją przerwać?"},
    {"msgCanceled", "Instalacja programu {} została anulowana.\n\nNa komputerze niczego nie zmieniono."},
    {"uninstallShortcutName", "{}\\Odinstaluj {}"},
    {"progressTitle", "Instalowanie programu {}"},
    {"titlePrompt", "Instalator programu {}"},
    {"titleError", "Błąd instalatora programu {}"},
    {"titleMessage", "Instalator programu {}"},
    {"titleWizard", "Instalator programu {}"},
    {"msgDoneStartMenu", "Program {} został zainstalowany.\n\nZnajdziesz go w menu Start."},
    {"msgDoneDesktop", "Program {} został zainstalowany.\n\nJego skrót znajdziesz na pulpicie."},
    {"msgDoneFolder", "Program {} został zainstalowany w folderze\n%s"},
    {"msgDoneReboot", "Program {} został zainstalowany. Przed jego użyciem trzeba ponownie uruchomić system Windows.\n\nCzy uruchomić ponownie teraz?"},
    {"dxMsgFailed", "Nie można zainstalować DirectX:\n%s\n\nCzy chcesz kontynuować instalację programu {}?"},
};

}  // namespace

const BuiltInTexts kPolishTexts = {
    kDefaults,
    kNameTexts,
    {
        "Odinstaluj {}",
        nullptr,
        "Program {} jest uruchomiony. Zamknij go przed usunięciem.",
        "Czy na pewno chcesz usunąć program {} i wszystkie jego składniki?",
        "Usuwanie plików",
        "Usuwanie folderów",
        "Usuwanie wpisów rejestru",
        "Gotowe",
        "Program {} został usunięty z komputera.",
        "Podczas usuwania programu {} wystąpiły błędy. Niektóre jego części trzeba będzie usunąć ręcznie.",
        "Odinstalowywanie",
        "Usuwanie programu {}. Proszę czekać...",
        "Podczas odinstalowywania wystąpiły błędy",
        "-- Tych plików nie można było usunąć --",
        "-- Tych folderów nie można było usunąć --",
        "-- Tych wpisów rejestru nie można było usunąć --",
        nullptr,
        "OK",
        "&Szczegóły...",
    },
};

}  // namespace mkpackage
