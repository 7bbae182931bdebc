// Italian.
#include "description/builtin_texts.h"

namespace mkpackage {
namespace {

constexpr FieldText kDefaults[] = {
    {"textUpdatingSystem", "Il programma di installazione sta aggiornando i componenti del sistema. Attendere..."},
    {"textUndoing", "Il programma di installazione sta annullando le modifiche apportate al sistema."},
    {"msgLogWriteFailed", "Impossibile scrivere il registro di disinstallazione: il programma potrebbe non essere disinstallabile."},
    {"captionOk", "OK"},
    {"captionCancel", "Annulla"},
    {"captionYes", "&Sì"},
    {"captionYesToAll", "Sì a &tutti"},
    {"captionNo", "&No"},
    {"captionNetwork", "&Rete..."},
    {"captionBrowse", "&Sfoglia..."},
    {"progressFileFormat", "Estrazione: %s"},
    {"progressGroupFormat", "Gruppo: %s"},
    {"replaceTitle", "Conferma sostituzione file"},
    {"replaceExists", "Questa cartella contiene già un file denominato '%s'."},
    {"replaceQuestion", "Sostituire il file esistente"},
    {"replaceWithThis", "con questo?"},
    {"replaceModifiedOn", "modificato il "},
    {"replaceNoInfo", "(Informazioni sul file non disponibili)"},
    {"chooseDirTitle", "Scegli cartella"},
    {"titleInvalidPath", "Percorso non valido"},
    {"labelDirName", "&Nome cartella:"},
    {"labelDrives", "&Unità:"},
    {"msgCreateDir", "La cartella:\n\n'%s'\n\nnon esiste. Crearla?"},
    {"labelSpaceRequired", "Spazio su disco necessario per l'installazione:"},
    {"labelSpaceFree", "Spazio libero sull'unità di destinazione:"},
    {"msgPathIsFile", "Il percorso specificato:\n\n'%s'\n\nè un file, non una cartella. Impossibile installare in questo percorso."},
    {"msgPathEmpty", "Immettere un percorso di installazione valido."},
    {"msgPathTooLong", "Il percorso specificato supera i 150 caratteri. Immettere un percorso più breve."},
    {"msgBadDrive", "La lettera di unità specificata non è valida. Immettere un percorso valido."},
    {"msgBadChars", "Un percorso non può contenere nessuno dei seguenti caratteri:\n\t\t* ? \" < > |"},
    {"textSizeUnknown", "(sconosciuto)"},
    {"errArchiveCorrupt", "L'archivio contenuto in INSTALL.EXE è danneggiato.\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errCreateFile", "Impossibile creare il file '%s'.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errCloseFile", "Impossibile chiudere il file '%s'.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errCreatePath", "Impossibile creare il percorso '%s'.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errWriteFile", "Impossibile scrivere nel file '%s'.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errOutOfMemory", "Memoria insufficiente.\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errReadPackage", "Impossibile leggere il file di installazione.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errCrc", "Errore CRC nei dati di installazione.\nL'archivio contenuto in INSTALL.EXE è danneggiato.\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errRegistry", "Errore del Registro di sistema.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"errUnknownCode", "Codice di errore sconosciuto %d.\nErrore: %s\n\nL'installazione non è riuscita e verrà chiusa."},
    {"dxVersionUnknown", "(sconosciuta)"},
    {"dxVersionNotFound", "(non trovato)"},
    {"dxExtractTitle", "Estrazione di DirectX 5 Setup"},
    {"dxExtractGroupText", "Estrazione di Microsoft DirectX 5 Setup in corso. Attendere..."},
    {"dxExtractFileFormat", "File: %s"},
    {"dxTextCleanup", "Il programma di installazione sta rimuovendo i file temporanei di DirectX 5 Setup. Attendere..."},
    {"dxReasons1", "Impossibile trovare la libreria DirectXSetup (dsetup.lib)."},
    {"dxReasons2", "Impossibile trovare la funzione DirectXSetup."},
    {"dxReasons3", "Impossibile verificare le dimensioni di un file, oppure non sono corrette."},
    {"dxReasons4", "Impossibile verificare la data e l'ora di un file, oppure non sono corrette."},
    {"dxReasons5", "DirectX non supporta la versione di Windows di questo sistema."},
    {"dxReasons6", "Il programma di installazione non ha trovato la cartella di lavoro."},
    {"dxReasons7", "Impossibile trovare un file .inf necessario."},
    {"dxReasons8", "Si è verificato un errore interno."},
    {"dxReasons9", "Impossibile verificare la versione di un file, oppure non è corretta."},
    {"dxReasons10", "Nella versione di Windows NT di questo sistema non sono installati tutti i componenti di DirectX."},
    {"dxReasons11", "Spazio su disco esaurito durante l'installazione."},
    {"dxReasons12", "Impossibile trovare uno dei file di origine necessari."},
    {"dxReasons13", "Il sistema operativo di questo computer non è attualmente supportato."},
    {"dxReasons14", "È stato premuto Annulla prima che l'applicazione fosse installata completamente."},
    {"msgPreviousLeftovers", "Questi file dell'installazione precedente non sono stati rimossi e restano dove sono:\n\n%s"},
    {"msgFolderNotAllowed", "%s non può essere la cartella di destinazione: è la radice di un'unità o di una condivisione di rete, "
                            "la cartella di Windows o di sistema, o una cartella che le contiene. Scegliere un'altra cartella."},
    {"msgProgramsInUse", "Questi programmi usano file che il programma di installazione deve sostituire o rimuovere. Chiuderli e "
                         "scegliere Riprova, oppure scegliere Ignora per continuare: i file verranno sostituiti al riavvio del "
                         "computer."},
    {"msgFilesInUse", "Questi file, che il programma di installazione deve sostituire o rimuovere, sono in uso da parte di un "
                      "altro programma. Chiuderlo e scegliere Riprova, oppure scegliere Ignora per continuare: i file verranno "
                      "sostituiti al riavvio del computer."},
    {"captionRetry", "&Riprova"},
    {"captionIgnore", "&Ignora"},
    {"msgInterruptedUndone", "Una precedente installazione di questo prodotto è stata interrotta prima della fine. Tutte le "
                             "modifiche che aveva apportato sono state annullate."},
    {"msgInterruptedKept", "Una precedente installazione di questo prodotto è stata interrotta prima della fine e il suo "
                           "registro non è affidabile, quindi non è stato annullato nulla. Ciò che aveva messo da parte si "
                           "trova in queste cartelle:\n\n%s"},
    {"msgFolderNameUnusable", "Il nome della cartella %s non può essere scritto nella tabella codici di questo sistema (\"?\" "
                              "indica ciò che manca) e la sua unità non le assegna un nome breve da usare al suo posto. Il "
                              "programma di installazione non ha modificato nulla. Con i nomi brevi attivati su quell'unità, "
                              "o come utente le cui cartelle sono scrivibili nella tabella codici, l'installazione è possibile."},
    {"captionLanguage", "Lingua dell'installazione"},
    {"msgChooseLanguage", "Selezionare la lingua da usare durante l'installazione:"},
};

constexpr FieldText kNameTexts[] = {
    {"textRemovingPrevious", "Il programma di installazione sta rimuovendo l'installazione precedente di {}. Attendere..."},
    {"msgLogNotFound", "Impossibile aprire il registro di disinstallazione dell'installazione precedente:\n%s\n\nL'installazione verrà eseguita sopra di essa."},
    {"msgLogCorrupt", "Il registro di disinstallazione dell'installazione precedente è danneggiato:\n%s\n\nL'installazione verrà eseguita sopra di essa."},
    {"msgLowDiskSpace", "Spazio libero insufficiente sull'unità di destinazione.\n\nInstallare comunque?"},
    {"msgConfirmInstall", "Verrà installato {} nel computer.\n\nContinuare?"},
    {"msgConfirmUpgrade", "È installata una versione precedente di {}.\n\nAggiornarla?"},
    {"msgConfirmReinstall", "Questa versione di {} è già installata.\n\nInstallarla di nuovo?"},
    {"msgNewerInstalled", "È già installata una versione più recente di {}.\n\nIl programma di installazione verrà chiuso."},
    {"msgConfirmQuit", "L'installazione non è completa. Uscire comunque?"},
    {"msgCanceled", "L'installazione di {} è stata annullata.\n\nNel computer non è stato modificato nulla."},
    {"uninstallShortcutName", "{}\\Disinstalla {}"},
    {"progressTitle", "Installazione di {}"},
    {"titlePrompt", "Installazione di {}"},
    {"titleError", "Errore di installazione di {}"},
    {"titleMessage", "Installazione di {}"},
    {"titleWizard", "Installazione di {}"},
    {"msgDoneStartMenu", "{} è stato installato.\n\nÈ disponibile nel menu Start."},
    {"msgDoneDesktop", "{} è stato installato.\n\nIl collegamento si trova sul desktop."},
    {"msgDoneFolder", "{} è stato installato in\n%s"},
    {"msgDoneReboot", "{} è stato installato. Prima di usarlo è necessario riavviare Windows.\n\nRiavviare ora?"},
    {"dxMsgFailed", "Impossibile installare DirectX:\n%s\n\nContinuare l'installazione di {}?"},
};

}  // namespace

const BuiltInTexts kItalianTexts = {
    kDefaults,
    kNameTexts,
    {
        "Disinstalla {}",
        nullptr,
        "{} è in esecuzione. Chiuderlo prima di rimuoverlo.",
        "Rimuovere {} e tutti i suoi componenti?",
        "Rimozione dei file",
        "Rimozione delle cartelle",
        "Rimozione delle voci del Registro di sistema",
        "Operazione completata",
        "{} è stato rimosso dal computer.",
        "Si sono verificati errori durante la rimozione di {}. Alcune parti potrebbero dover essere rimosse manualmente.",
        "Disinstallazione",
        "Rimozione di {} in corso. Attendere...",
        "Si sono verificati errori durante la disinstallazione",
        "-- Impossibile rimuovere questi file --",
        "-- Impossibile rimuovere queste cartelle --",
        "-- Impossibile rimuovere queste voci del Registro di sistema --",
        nullptr,
        "OK",
        "&Dettagli...",
    },
};

}  // namespace mkpackage
