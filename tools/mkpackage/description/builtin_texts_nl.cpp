// Dutch.
#include "description/builtin_texts.h"

namespace mkpackage {
namespace {

constexpr FieldText kDefaults[] = {
    {"textUpdatingSystem", "Setup werkt nu systeemonderdelen bij. Een ogenblik geduld..."},
    {"textUndoing", "Setup maakt nu de wijzigingen ongedaan die het in uw systeem heeft aangebracht."},
    {"msgLogWriteFailed", "Het verwijderlogboek kan niet worden geschreven. Het programma kan mogelijk niet worden verwijderd."},
    {"captionOk", "OK"},
    {"captionCancel", "Annuleren"},
    {"captionYes", "&Ja"},
    {"captionYesToAll", "Ja op &alles"},
    {"captionNo", "&Nee"},
    {"captionNetwork", "Net&werk..."},
    {"captionBrowse", "&Bladeren..."},
    {"progressFileFormat", "Uitpakken: %s"},
    {"progressGroupFormat", "Groep: %s"},
    {"replaceTitle", "Vervangen van bestand bevestigen"},
    {"replaceExists", "Deze map bevat al een bestand met de naam '%s'."},
    {"replaceQuestion", "Wilt u het bestaande bestand"},
    {"replaceWithThis", "door dit bestand vervangen?"},
    {"replaceModifiedOn", "gewijzigd op "},
    {"replaceNoInfo", "(Bestandsgegevens zijn niet beschikbaar)"},
    {"chooseDirTitle", "Map kiezen"},
    {"titleInvalidPath", "Ongeldig pad"},
    {"labelDirName", "Map&naam:"},
    {"labelDrives", "&Stations:"},
    {"msgCreateDir", "De map:\n\n'%s'\n\nbestaat niet. Wilt u de map maken?"},
    {"labelSpaceRequired", "Benodigde schijfruimte voor de installatie:"},
    {"labelSpaceFree", "Beschikbare ruimte op het doelstation:"},
    {"msgPathIsFile", "Het opgegeven pad:\n\n'%s'\n\nis een bestand, geen map. U kunt niet in dit pad installeren."},
    {"msgPathEmpty", "U moet een geldig installatiepad opgeven."},
    {"msgPathTooLong", "Het opgegeven pad is langer dan 150 tekens. Geef een korter pad op."},
    {"msgBadDrive", "De opgegeven stationsletter is ongeldig. Geef een geldig pad op."},
    {"msgBadChars", "Een pad mag geen van de volgende tekens bevatten:\n\t\t* ? \" < > |"},
    {"textSizeUnknown", "(onbekend)"},
    {"errArchiveCorrupt", "Het archief in INSTALL.EXE is beschadigd.\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errCreateFile", "Het bestand '%s' kan niet worden gemaakt.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errCloseFile", "Het bestand '%s' kan niet worden gesloten.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errCreatePath", "Het pad '%s' kan niet worden gemaakt.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errWriteFile", "Er kan niet naar het bestand '%s' worden geschreven.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errOutOfMemory", "Onvoldoende geheugen.\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errReadPackage", "Het installatiebestand kan niet worden gelezen.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errCrc", "CRC-fout in de installatiegegevens!\nHet archief in INSTALL.EXE is beschadigd.\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errRegistry", "Registerfout.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"errUnknownCode", "Onbekende foutcode %d.\nFout: %s\n\nDe installatie is mislukt en wordt afgesloten."},
    {"dxVersionUnknown", "(onbekend)"},
    {"dxVersionNotFound", "(niet gevonden)"},
    {"dxExtractTitle", "DirectX 5 Setup uitpakken"},
    {"dxExtractGroupText", "Microsoft DirectX 5 Setup wordt uitgepakt. Een ogenblik geduld..."},
    {"dxExtractFileFormat", "Bestand: %s"},
    {"dxTextCleanup", "Setup verwijdert nu de tijdelijke bestanden van DirectX 5 Setup. Een ogenblik geduld..."},
    {"dxReasons1", "De DirectXSetup-bibliotheek (dsetup.lib) is niet gevonden."},
    {"dxReasons2", "De DirectXSetup-functie is niet gevonden."},
    {"dxReasons3", "De grootte van een bestand kan niet worden gecontroleerd of is onjuist."},
    {"dxReasons4", "De datum en tijd van een bestand kunnen niet worden gecontroleerd of zijn onjuist."},
    {"dxReasons5", "DirectX ondersteunt de Windows-versie van dit systeem niet."},
    {"dxReasons6", "Het installatieprogramma heeft de werkmap niet gevonden."},
    {"dxReasons7", "Een vereist .inf-bestand is niet gevonden."},
    {"dxReasons8", "Er is een interne fout opgetreden."},
    {"dxReasons9", "De versie van een bestand kan niet worden gecontroleerd of is onjuist."},
    {"dxReasons10", "In de Windows NT-versie van dit systeem zijn niet alle DirectX-onderdelen geïnstalleerd."},
    {"dxReasons11", "Het installatieprogramma had tijdens de installatie onvoldoende schijfruimte."},
    {"dxReasons12", "Een van de vereiste bronbestanden is niet gevonden."},
    {"dxReasons13", "Het besturingssysteem van deze computer wordt momenteel niet ondersteund."},
    {"dxReasons14", "Er is op Annuleren geklikt voordat de toepassing volledig was geïnstalleerd."},
    {"msgPreviousLeftovers", "Deze bestanden van de vorige installatie kunnen niet worden verwijderd en blijven staan waar ze staan:\n\n%s"},
    {"msgFolderNotAllowed", "%s kan niet de doelmap zijn: het is de hoofdmap van een station of netwerkshare, de Windows- of "
                            "systeemmap of een map die deze bevat. Kies een andere map."},
    {"msgProgramsInUse", "Deze programma's gebruiken bestanden die Setup moet vervangen of verwijderen. Sluit ze en kies Opnieuw, "
                         "of kies Negeren om door te gaan; de bestanden worden dan vervangen wanneer de computer opnieuw "
                         "wordt opgestart."},
    {"msgFilesInUse", "Deze bestanden, die Setup moet vervangen of verwijderen, worden door een ander programma gebruikt. Sluit "
                      "het en kies Opnieuw, of kies Negeren om door te gaan; de bestanden worden dan vervangen wanneer de "
                      "computer opnieuw wordt opgestart."},
    {"captionRetry", "&Opnieuw"},
    {"captionIgnore", "&Negeren"},
    {"msgInterruptedUndone", "Een eerdere installatie van dit product is onderbroken voordat ze klaar was. Alles wat ze had "
                             "gewijzigd, is ongedaan gemaakt."},
    {"msgInterruptedKept", "Een eerdere installatie van dit product is onderbroken voordat ze klaar was, en haar gegevens zijn "
                           "niet betrouwbaar. Daarom is er niets van ongedaan gemaakt. Wat ze opzij heeft gezet, staat in "
                           "deze mappen:\n\n%s"},
    {"msgFolderNameUnusable", "De naam van de map %s kan niet worden geschreven in de codetabel van dit systeem (\"?\" geeft aan "
                              "wat ontbreekt), en het station geeft de map geen korte naam die in de plaats kan komen. Setup "
                              "heeft niets gewijzigd. Met korte namen ingeschakeld op dat station, of als een gebruiker wiens "
                              "mappen de codetabel kan schrijven, kan Setup wel installeren."},
    {"captionLanguage", "Taal van Setup"},
    {"msgChooseLanguage", "Selecteer de taal die u tijdens de installatie wilt gebruiken:"},
};

constexpr FieldText kNameTexts[] = {
    {"textRemovingPrevious", "Setup verwijdert nu de vorige installatie van {}. Een ogenblik geduld..."},
    {"msgLogNotFound", "Het verwijderlogboek van de vorige installatie kan niet worden geopend:\n%s\n\nSetup installeert eroverheen."},
    {"msgLogCorrupt", "Het verwijderlogboek van de vorige installatie is beschadigd:\n%s\n\nSetup installeert eroverheen."},
    {"msgLowDiskSpace", "Er is niet genoeg vrije ruimte op het doelstation.\n\nToch installeren?"},
    {"msgConfirmInstall", "{} wordt op uw computer geïnstalleerd.\n\nWilt u doorgaan?"},
    {"msgConfirmUpgrade", "Er is een oudere versie van {} geïnstalleerd.\n\nWilt u deze bijwerken?"},
    {"msgConfirmReinstall", "Deze versie van {} is al geïnstalleerd.\n\nWilt u deze opnieuw installeren?"},
    {"msgNewerInstalled", "Er is al een nieuwere versie van {} geïnstalleerd.\n\nSetup wordt afgesloten."},
    {"msgConfirmQuit", "Setup is nog niet voltooid. Wilt u Setup echt afsluiten?"},
    {"msgCanceled", "De installatie van {} is geannuleerd.\n\nEr is niets gewijzigd op uw computer."},
    {"uninstallShortcutName", "{}\\{} verwijderen"},
    {"progressTitle", "{} wordt geïnstalleerd"},
    {"titlePrompt", "{} Setup"},
    {"titleError", "{} Setup - fout"},
    {"titleMessage", "{} Setup"},
    {"titleWizard", "{} Setup"},
    {"msgDoneStartMenu", "{} is geïnstalleerd.\n\nU vindt het in het menu Start."},
    {"msgDoneDesktop", "{} is geïnstalleerd.\n\nU vindt de snelkoppeling op het bureaublad."},
    {"msgDoneFolder", "{} is geïnstalleerd in\n%s"},
    {"msgDoneReboot", "{} is geïnstalleerd. Windows moet opnieuw worden opgestart voordat u het kunt gebruiken.\n\nNu opnieuw opstarten?"},
    {"dxMsgFailed", "DirectX kan niet worden geïnstalleerd:\n%s\n\nWilt u doorgaan met de installatie van {}?"},
};

}  // namespace

const BuiltInTexts kDutchTexts = {
    kDefaults,
    kNameTexts,
    {
        "{} verwijderen",
        nullptr,
        "{} is nog actief. Sluit het programma voordat u het verwijdert.",
        "Weet u zeker dat u {} en alle onderdelen ervan wilt verwijderen?",
        "Bestanden verwijderen",
        "Mappen verwijderen",
        "Registervermeldingen verwijderen",
        "Voltooid",
        "{} is van uw computer verwijderd.",
        "Er zijn fouten opgetreden bij het verwijderen van {}. Sommige onderdelen moeten mogelijk handmatig worden verwijderd.",
        "Verwijderen",
        "{} wordt verwijderd. Een ogenblik geduld...",
        "Er zijn fouten opgetreden tijdens het verwijderen",
        "-- Deze bestanden kunnen niet worden verwijderd --",
        "-- Deze mappen kunnen niet worden verwijderd --",
        "-- Deze registervermeldingen kunnen niet worden verwijderd --",
        nullptr,
        "OK",
        "&Details...",
    },
};

}  // namespace mkpackage
