// German.
#include "description/builtin_texts.h"

namespace mkpackage {
namespace {

constexpr FieldText kDefaults[] = {
    {"textUpdatingSystem", "Setup aktualisiert jetzt Systemkomponenten. Bitte warten..."},
    {"textUndoing", "Setup macht jetzt die Änderungen rückgängig, die es an Ihrem System vorgenommen hat."},
    {"msgLogWriteFailed", "Das Deinstallationsprotokoll konnte nicht geschrieben werden. Das Programm lässt sich möglicherweise nicht deinstallieren."},
    {"captionOk", "OK"},
    {"captionCancel", "Abbrechen"},
    {"captionYes", "&Ja"},
    {"captionYesToAll", "Ja, &alle"},
    {"captionNo", "&Nein"},
    {"captionNetwork", "N&etzwerk..."},
    {"captionBrowse", "&Durchsuchen..."},
    {"progressFileFormat", "Entpacken: %s"},
    {"progressGroupFormat", "Gruppe: %s"},
    {"replaceTitle", "Ersetzen der Datei bestätigen"},
    {"replaceExists", "Dieser Ordner enthält bereits eine Datei namens '%s'."},
    {"replaceQuestion", "Möchten Sie die vorhandene Datei"},
    {"replaceWithThis", "durch diese ersetzen?"},
    {"replaceModifiedOn", "geändert am "},
    {"replaceNoInfo", "(Dateiinformationen nicht verfügbar)"},
    {"chooseDirTitle", "Verzeichnis wählen"},
    {"titleInvalidPath", "Ungültiger Pfad"},
    {"labelDirName", "Verzeichnis&name:"},
    {"labelDrives", "&Laufwerke:"},
    {"msgCreateDir", "Das Verzeichnis:\n\n'%s'\n\nist nicht vorhanden. Soll es erstellt werden?"},
    {"labelSpaceRequired", "Für die Installation benötigter Speicherplatz:"},
    {"labelSpaceFree", "Freier Speicherplatz auf dem Ziellaufwerk:"},
    {"msgPathIsFile", "Der angegebene Pfad:\n\n'%s'\n\nist eine Datei, kein Verzeichnis. In diesen Pfad kann nicht installiert werden."},
    {"msgPathEmpty", "Geben Sie einen gültigen Installationspfad ein."},
    {"msgPathTooLong", "Der angegebene Pfad ist länger als 150 Zeichen. Geben Sie einen kürzeren Pfad ein."},
    {"msgBadDrive", "Der angegebene Laufwerksbuchstabe ist ungültig. Geben Sie einen gültigen Pfad ein."},
    {"msgBadChars", "Ein Pfad darf keines der folgenden Zeichen enthalten:\n\t\t* ? \" < > |"},
    {"textSizeUnknown", "(unbekannt)"},
    {"errArchiveCorrupt", "Das Archiv in INSTALL.EXE ist beschädigt.\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errCreateFile", "Die Datei '%s' konnte nicht erstellt werden.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errCloseFile", "Die Datei '%s' konnte nicht geschlossen werden.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errCreatePath", "Der Pfad '%s' konnte nicht erstellt werden.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errWriteFile", "In die Datei '%s' konnte nicht geschrieben werden.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errOutOfMemory", "Nicht genügend Arbeitsspeicher.\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errReadPackage", "Die Installationsdatei konnte nicht gelesen werden.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errCrc", "CRC-Fehler in den Installationsdaten!\nDas Archiv in INSTALL.EXE ist beschädigt.\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errRegistry", "Fehler in der Registrierung.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"errUnknownCode", "Unbekannter Fehlercode %d.\nFehler: %s\n\nDie Installation ist fehlgeschlagen und wird beendet."},
    {"dxVersionUnknown", "(unbekannt)"},
    {"dxVersionNotFound", "(nicht gefunden)"},
    {"dxExtractTitle", "DirectX 5 Setup wird entpackt"},
    {"dxExtractGroupText", "Microsoft DirectX 5 Setup wird entpackt. Bitte warten..."},
    {"dxExtractFileFormat", "Datei: %s"},
    {"dxTextCleanup", "Setup entfernt jetzt die temporären Dateien von DirectX 5 Setup. Bitte warten..."},
    {"dxReasons1", "Die DirectX-Setup-Bibliothek (dsetup.lib) wurde nicht gefunden."},
    {"dxReasons2", "Die DirectX-Setup-Funktion wurde nicht gefunden."},
    {"dxReasons3", "Die Größe einer Datei konnte nicht geprüft werden oder ist falsch."},
    {"dxReasons4", "Datum und Uhrzeit einer Datei konnten nicht geprüft werden oder sind falsch."},
    {"dxReasons5", "DirectX unterstützt die Windows-Version dieses Systems nicht."},
    {"dxReasons6", "Das Setup-Programm hat das Arbeitsverzeichnis nicht gefunden."},
    {"dxReasons7", "Eine benötigte INF-Datei wurde nicht gefunden."},
    {"dxReasons8", "Ein interner Fehler ist aufgetreten."},
    {"dxReasons9", "Die Version einer Datei konnte nicht geprüft werden oder ist falsch."},
    {"dxReasons10", "Für die Windows NT-Version dieses Systems sind nicht alle DirectX-Komponenten installiert."},
    {"dxReasons11", "Dem Setup-Programm ist während der Installation der Speicherplatz ausgegangen."},
    {"dxReasons12", "Eine der benötigten Quelldateien wurde nicht gefunden."},
    {"dxReasons13", "Das Betriebssystem dieses Computers wird zurzeit nicht unterstützt."},
    {"dxReasons14", "Es wurde auf \"Abbrechen\" geklickt, bevor die Anwendung vollständig installiert war."},
    {"msgPreviousLeftovers", "Diese Dateien der vorherigen Installation konnten nicht entfernt werden und bleiben, wo sie sind:\n\n%s"},
    {"msgFolderNotAllowed", "%s kann nicht der Zielordner sein: Er ist das Stammverzeichnis eines Laufwerks oder einer Netzwerkfreigabe, "
                            "der Windows- oder Systemordner oder ein Ordner, der diese enthält. Wählen Sie einen anderen Ordner."},
    {"msgProgramsInUse", "Diese Programme verwenden Dateien, die Setup ersetzen oder entfernen muss. Schließen Sie sie und wählen Sie "
                         "\"Wiederholen\", oder wählen Sie \"Ignorieren\", um fortzufahren; die Dateien werden dann beim Neustart "
                         "des Computers ersetzt."},
    {"msgFilesInUse", "Diese Dateien, die Setup ersetzen oder entfernen muss, werden von einem anderen Programm verwendet. Schließen "
                      "Sie es und wählen Sie \"Wiederholen\", oder wählen Sie \"Ignorieren\", um fortzufahren; die Dateien werden "
                      "dann beim Neustart des Computers ersetzt."},
    {"captionRetry", "&Wiederholen"},
    {"captionIgnore", "&Ignorieren"},
    {"msgInterruptedUndone", "Eine frühere Installation dieses Produkts wurde vor ihrem Ende unterbrochen. Alle ihre Änderungen "
                             "wurden rückgängig gemacht."},
    {"msgInterruptedKept", "Eine frühere Installation dieses Produkts wurde vor ihrem Ende unterbrochen, und ihren Aufzeichnungen "
                           "ist nicht zu trauen. Deshalb wurde nichts davon rückgängig gemacht. Was sie beiseitegelegt hat, "
                           "liegt in diesen Ordnern:\n\n%s"},
    {"msgFolderNameUnusable", "Der Name des Ordners %s lässt sich in der Codepage dieses Systems nicht schreiben (\"?\" steht "
                              "für die fehlenden Zeichen), und sein Laufwerk vergibt keinen kurzen Namen als Ersatz. Setup hat "
                              "nichts verändert. Mit kurzen Namen auf diesem Laufwerk oder als Benutzer, dessen Ordnernamen die "
                              "Codepage schreiben kann, lässt sich das Produkt installieren."},
    {"captionLanguage", "Setup-Sprache"},
    {"msgChooseLanguage", "Wählen Sie die Sprache für die Installation:"},
};

constexpr FieldText kNameTexts[] = {
    {"textRemovingPrevious", "Setup entfernt jetzt die vorherige Installation von {}. Bitte warten..."},
    {"msgLogNotFound", "Das Deinstallationsprotokoll der vorherigen Installation konnte nicht geöffnet werden:\n%s\n\nSetup installiert darüber."},
    {"msgLogCorrupt", "Das Deinstallationsprotokoll der vorherigen Installation ist beschädigt:\n%s\n\nSetup installiert darüber."},
    {"msgLowDiskSpace", "Auf dem Ziellaufwerk ist nicht genügend Speicherplatz frei.\n\nTrotzdem installieren?"},
    {"msgConfirmInstall", "{} wird jetzt auf Ihrem Computer installiert.\n\nMöchten Sie fortfahren?"},
    {"msgConfirmUpgrade", "Eine ältere Version von {} ist installiert.\n\nMöchten Sie sie aktualisieren?"},
    {"msgConfirmReinstall", "Diese Version von {} ist bereits installiert.\n\nMöchten Sie sie erneut installieren?"},
    {"msgNewerInstalled", "Eine neuere Version von {} ist bereits installiert.\n\nSetup wird beendet."},
    {"msgConfirmQuit", "Setup ist noch nicht abgeschlossen. Möchten Sie Setup wirklich beenden?"},
    {"msgCanceled", "Die Installation von {} wurde abgebrochen.\n\nAn Ihrem Computer wurde nichts geändert."},
    {"uninstallShortcutName", "{}\\{} deinstallieren"},
    {"progressTitle", "{} wird installiert"},
    {"titlePrompt", "{} Setup"},
    {"titleError", "{} Setup-Fehler"},
    {"titleMessage", "{} Setup"},
    {"titleWizard", "{} Setup"},
    {"msgDoneStartMenu", "{} wurde installiert.\n\nSie finden es im Startmenü."},
    {"msgDoneDesktop", "{} wurde installiert.\n\nSie finden die Verknüpfung auf dem Desktop."},
    {"msgDoneFolder", "{} wurde installiert in\n%s"},
    {"msgDoneReboot", "{} wurde installiert. Windows muss neu gestartet werden, bevor Sie es verwenden.\n\nJetzt neu starten?"},
    {"dxMsgFailed", "DirectX konnte nicht installiert werden:\n%s\n\nMöchten Sie die Installation von {} fortsetzen?"},
};

}  // namespace

const BuiltInTexts kGermanTexts = {
    kDefaults,
    kNameTexts,
    {
        "{} deinstallieren",
        nullptr,
        "{} wird noch ausgeführt. Bitte schließen Sie es, bevor Sie es entfernen.",
        "Möchten Sie {} und alle zugehörigen Komponenten wirklich entfernen?",
        "Dateien werden entfernt",
        "Verzeichnisse werden entfernt",
        "Registrierungseinträge werden entfernt",
        "Fertig",
        "{} wurde von Ihrem Computer entfernt.",
        "Beim Entfernen von {} sind Fehler aufgetreten. Einige Teile müssen eventuell von Hand entfernt werden.",
        "Deinstallation",
        "{} wird entfernt. Bitte warten...",
        "Bei der Deinstallation sind Fehler aufgetreten",
        "-- Diese Dateien konnten nicht entfernt werden --",
        "-- Diese Verzeichnisse konnten nicht entfernt werden --",
        "-- Diese Registrierungseinträge konnten nicht entfernt werden --",
        nullptr,
        "OK",
        "&Details...",
    },
};

}  // namespace mkpackage
