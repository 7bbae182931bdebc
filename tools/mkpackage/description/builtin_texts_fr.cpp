// French.
#include "description/builtin_texts.h"

namespace mkpackage {
namespace {

constexpr FieldText kDefaults[] = {
    {"textUpdatingSystem", "Le programme d'installation met à jour des composants du système, veuillez patienter..."},
    {"textUndoing", "Le programme d'installation annule les modifications qu'il a apportées à votre système."},
    {"msgLogWriteFailed", "Impossible d'écrire le journal de désinstallation : le programme risque de ne pas pouvoir être désinstallé."},
    {"captionOk", "OK"},
    {"captionCancel", "Annuler"},
    {"captionYes", "&Oui"},
    {"captionYesToAll", "Oui pour &tout"},
    {"captionNo", "&Non"},
    {"captionNetwork", "&Réseau..."},
    {"captionBrowse", "&Parcourir..."},
    {"progressFileFormat", "Extraction : %s"},
    {"progressGroupFormat", "Groupe : %s"},
    {"replaceTitle", "Confirmer le remplacement du fichier"},
    {"replaceExists", "Ce dossier contient déjà un fichier nommé '%s'."},
    {"replaceQuestion", "Voulez-vous remplacer le fichier existant"},
    {"replaceWithThis", "par celui-ci ?"},
    {"replaceModifiedOn", "modifié le "},
    {"replaceNoInfo", "(Informations sur le fichier non disponibles)"},
    {"chooseDirTitle", "Choisir un dossier"},
    {"titleInvalidPath", "Chemin non valide"},
    {"labelDirName", "&Nom du dossier :"},
    {"labelDrives", "&Lecteurs :"},
    {"msgCreateDir", "Le dossier :\n\n'%s'\n\nn'existe pas. Voulez-vous le créer ?"},
    {"labelSpaceRequired", "Espace disque nécessaire à l'installation :"},
    {"labelSpaceFree", "Espace disque disponible sur le lecteur de destination :"},
    {"msgPathIsFile", "Le chemin indiqué :\n\n'%s'\n\nest un fichier et non un dossier. Vous ne pouvez pas installer dans ce chemin."},
    {"msgPathEmpty", "Vous devez indiquer un chemin d'installation valide."},
    {"msgPathTooLong", "Le chemin indiqué dépasse 150 caractères. Vous devez indiquer un chemin plus court."},
    {"msgBadDrive", "La lettre de lecteur indiquée n'est pas valide. Veuillez indiquer un chemin valide."},
    {"msgBadChars", "Un chemin ne peut contenir aucun des caractères suivants :\n\t\t* ? \" < > |"},
    {"textSizeUnknown", "(inconnu)"},
    {"errArchiveCorrupt", "L'archive contenue dans INSTALL.EXE est endommagée.\n\nL'installation a échoué et va se terminer."},
    {"errCreateFile", "Impossible de créer le fichier '%s'.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"errCloseFile", "Impossible de fermer le fichier '%s'.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"errCreatePath", "Impossible de créer le chemin '%s'.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"errWriteFile", "Impossible d'écrire dans le fichier '%s'.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"errOutOfMemory", "Mémoire insuffisante.\n\nL'installation a échoué et va se terminer."},
    {"errReadPackage", "Impossible de lire le fichier d'installation.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"errCrc", "Erreur CRC dans les données d'installation !\nL'archive contenue dans INSTALL.EXE est endommagée.\n\nL'installation a échoué et va se terminer."},
    {"errRegistry", "Erreur du Registre.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"errUnknownCode", "Code d'erreur inconnu %d.\nErreur : %s\n\nL'installation a échoué et va se terminer."},
    {"dxVersionUnknown", "(inconnue)"},
    {"dxVersionNotFound", "(introuvable)"},
    {"dxExtractTitle", "Extraction de DirectX 5 Setup"},
    {"dxExtractGroupText", "Extraction de Microsoft DirectX 5 Setup, veuillez patienter..."},
    {"dxExtractFileFormat", "Fichier : %s"},
    {"dxTextCleanup", "Le programme d'installation supprime les fichiers temporaires de DirectX 5 Setup, veuillez patienter..."},
    {"dxReasons1", "La bibliothèque DirectXSetup (dsetup.lib) est introuvable."},
    {"dxReasons2", "La fonction DirectXSetup est introuvable."},
    {"dxReasons3", "La taille d'un fichier n'a pas pu être vérifiée ou est incorrecte."},
    {"dxReasons4", "La date et l'heure d'un fichier n'ont pas pu être vérifiées ou sont incorrectes."},
    {"dxReasons5", "DirectX ne prend pas en charge la version de Windows de ce système."},
    {"dxReasons6", "Le programme d'installation n'a pas trouvé le dossier de travail."},
    {"dxReasons7", "Un fichier .inf nécessaire est introuvable."},
    {"dxReasons8", "Une erreur interne s'est produite."},
    {"dxReasons9", "La version d'un fichier n'a pas pu être vérifiée ou est incorrecte."},
    {"dxReasons10", "La version de Windows NT de ce système ne dispose pas de tous les composants DirectX."},
    {"dxReasons11", "L'espace disque a manqué au programme d'installation pendant l'installation."},
    {"dxReasons12", "L'un des fichiers source nécessaires est introuvable."},
    {"dxReasons13", "Le système d'exploitation de cet ordinateur n'est pas pris en charge actuellement."},
    {"dxReasons14", "Le bouton Annuler a été utilisé avant la fin de l'installation de l'application."},
    {"msgPreviousLeftovers", "Ces fichiers de l'installation précédente n'ont pas pu être supprimés et restent à leur place :\n\n%s"},
    {"msgFolderNotAllowed", "%s ne peut pas être le dossier de destination : c'est la racine d'un lecteur ou d'un partage réseau, "
                            "le dossier Windows ou système, ou un dossier qui les contient. Choisissez un autre dossier."},
    {"msgProgramsInUse", "Ces programmes utilisent des fichiers que le programme d'installation doit remplacer ou supprimer. "
                         "Fermez-les et choisissez Réessayer, ou choisissez Ignorer pour continuer : les fichiers seront "
                         "remplacés au redémarrage de l'ordinateur."},
    {"msgFilesInUse", "Ces fichiers, que le programme d'installation doit remplacer ou supprimer, sont utilisés par un autre "
                      "programme. Fermez-le et choisissez Réessayer, ou choisissez Ignorer pour continuer : les fichiers "
                      "seront remplacés au redémarrage de l'ordinateur."},
    {"captionRetry", "&Réessayer"},
    {"captionIgnore", "&Ignorer"},
    {"msgInterruptedUndone", "Une installation précédente de ce produit a été interrompue avant la fin. Toutes ses modifications "
                             "ont été annulées."},
    {"msgInterruptedKept", "Une installation précédente de ce produit a été interrompue avant la fin, et son journal n'est pas "
                           "fiable : rien n'en a donc été annulé. Ce qu'elle a mis de côté se trouve dans ces dossiers :\n\n%s"},
    {"msgFolderNameUnusable", "Le nom du dossier %s ne peut pas s'écrire dans la page de codes de ce système (\"?\" marque ce "
                              "qui manque), et son lecteur ne lui donne aucun nom court de remplacement. Le programme "
                              "d'installation n'a rien modifié. Avec les noms courts activés sur ce lecteur, ou sous un "
                              "utilisateur dont la page de codes peut écrire les dossiers, l'installation est possible."},
    {"captionLanguage", "Langue d'installation"},
    {"msgChooseLanguage", "Choisissez la langue à utiliser pendant l'installation :"},
};

constexpr FieldText kNameTexts[] = {
    {"textRemovingPrevious", "Le programme d'installation supprime l'installation précédente de {}, veuillez patienter..."},
    {"msgLogNotFound", "Le journal de désinstallation de l'installation précédente n'a pas pu être ouvert :\n%s\n\nL'installation se fera par-dessus."},
    {"msgLogCorrupt", "Le journal de désinstallation de l'installation précédente est endommagé :\n%s\n\nL'installation se fera par-dessus."},
    {"msgLowDiskSpace", "L'espace libre sur le lecteur de destination est insuffisant.\n\nInstaller quand même ?"},
    {"msgConfirmInstall", "{} va être installé sur votre ordinateur.\n\nVoulez-vous continuer ?"},
    {"msgConfirmUpgrade", "Une version plus ancienne de {} est installée.\n\nVoulez-vous la mettre à jour ?"},
    {"msgConfirmReinstall", "Cette version de {} est déjà installée.\n\nVoulez-vous l'installer à nouveau ?"},
    {"msgNewerInstalled", "Une version plus récente de {} est déjà installée.\n\nLe programme d'installation va se terminer."},
    {"msgConfirmQuit", "L'installation n'est pas terminée. Voulez-vous vraiment quitter ?"},
    {"msgCanceled", "L'installation de {} a été annulée.\n\nAucune modification n'a été apportée à votre ordinateur."},
    {"uninstallShortcutName", "{}\\Désinstaller {}"},
    {"progressTitle", "Installation de {}"},
    {"titlePrompt", "Installation de {}"},
    {"titleError", "Erreur d'installation de {}"},
    {"titleMessage", "Installation de {}"},
    {"titleWizard", "Installation de {}"},
    {"msgDoneStartMenu", "{} a été installé.\n\nVous le trouverez dans le menu Démarrer."},
    {"msgDoneDesktop", "{} a été installé.\n\nVous trouverez son raccourci sur le Bureau."},
    {"msgDoneFolder", "{} a été installé dans\n%s"},
    {"msgDoneReboot", "{} a été installé. Windows doit redémarrer avant que vous puissiez l'utiliser.\n\nRedémarrer maintenant ?"},
    {"dxMsgFailed", "DirectX n'a pas pu être installé :\n%s\n\nVoulez-vous poursuivre l'installation de {} ?"},
};

}  // namespace

const BuiltInTexts kFrenchTexts = {
    kDefaults,
    kNameTexts,
    {
        "Désinstaller {}",
        nullptr,
        "{} est en cours d'exécution. Veuillez le fermer avant de le supprimer.",
        "Voulez-vous vraiment supprimer {} et tous ses composants ?",
        "Suppression des fichiers",
        "Suppression des dossiers",
        "Suppression des entrées du Registre",
        "Terminé",
        "{} a été supprimé de votre ordinateur.",
        "Des erreurs se sont produites lors de la suppression de {}. Certains éléments devront peut-être être supprimés manuellement.",
        "Désinstallation",
        "Suppression de {}, veuillez patienter...",
        "Des erreurs se sont produites pendant la désinstallation",
        "-- Ces fichiers n'ont pas pu être supprimés --",
        "-- Ces dossiers n'ont pas pu être supprimés --",
        "-- Ces entrées du Registre n'ont pas pu être supprimées --",
        nullptr,
        "OK",
        "&Détails...",
    },
};

}  // namespace mkpackage
