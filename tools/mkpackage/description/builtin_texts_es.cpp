// Spanish.
#include "description/builtin_texts.h"

namespace mkpackage {
namespace {

constexpr FieldText kDefaults[] = {
    {"textUpdatingSystem", "El programa de instalación está actualizando componentes del sistema. Espere, por favor..."},
    {"textUndoing", "El programa de instalación está deshaciendo los cambios que hizo en el sistema."},
    {"msgLogWriteFailed", "No se pudo escribir el registro de desinstalación; es posible que el programa no se pueda desinstalar."},
    {"captionOk", "Aceptar"},
    {"captionCancel", "Cancelar"},
    {"captionYes", "&Sí"},
    {"captionYesToAll", "Sí a &todo"},
    {"captionNo", "&No"},
    {"captionNetwork", "&Red..."},
    {"captionBrowse", "&Examinar..."},
    {"progressFileFormat", "Extrayendo: %s"},
    {"progressGroupFormat", "Grupo: %s"},
    {"replaceTitle", "Confirmar reemplazo de archivo"},
    {"replaceExists", "Esta carpeta ya contiene un archivo llamado '%s'."},
    {"replaceQuestion", "¿Desea reemplazar el archivo existente"},
    {"replaceWithThis", "por este otro?"},
    {"replaceModifiedOn", "modificado el "},
    {"replaceNoInfo", "(No se pudo obtener información del archivo)"},
    {"chooseDirTitle", "Elegir carpeta"},
    {"titleInvalidPath", "Ruta no válida"},
    {"labelDirName", "&Nombre de la carpeta:"},
    {"labelDrives", "&Unidades:"},
    {"msgCreateDir", "La carpeta:\n\n'%s'\n\nno existe. ¿Desea crearla?"},
    {"labelSpaceRequired", "Espacio en disco necesario para la instalación:"},
    {"labelSpaceFree", "Espacio libre en la unidad de destino:"},
    {"msgPathIsFile", "La ruta indicada:\n\n'%s'\n\nes un archivo, no una carpeta. No se puede instalar en esta ruta."},
    {"msgPathEmpty", "Debe escribir una ruta de instalación válida."},
    {"msgPathTooLong", "La ruta indicada tiene más de 150 caracteres. Debe escribir una ruta más corta."},
    {"msgBadDrive", "La letra de unidad indicada no es válida. Escriba una ruta válida."},
    {"msgBadChars", "Una ruta no puede contener ninguno de estos caracteres:\n\t\t* ? \" < > |"},
    {"textSizeUnknown", "(desconocido)"},
    {"errArchiveCorrupt", "El archivo comprimido de INSTALL.EXE está dañado.\n\nLa instalación ha fallado y se cerrará."},
    {"errCreateFile", "No se pudo crear el archivo '%s'.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"errCloseFile", "No se pudo cerrar el archivo '%s'.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"errCreatePath", "No se pudo crear la ruta '%s'.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"errWriteFile", "No se pudo escribir en el archivo '%s'.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"errOutOfMemory", "Memoria insuficiente.\n\nLa instalación ha fallado y se cerrará."},
    {"errReadPackage", "No se pudo leer el archivo de instalación.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"errCrc", "¡Error de CRC en los datos de instalación!\nEl archivo comprimido de INSTALL.EXE está dañado.\n\nLa instalación ha fallado y se cerrará."},
    {"errRegistry", "Error del Registro.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"errUnknownCode", "Código de error desconocido %d.\nError: %s\n\nLa instalación ha fallado y se cerrará."},
    {"dxVersionUnknown", "(desconocida)"},
    {"dxVersionNotFound", "(no encontrado)"},
    {"dxExtractTitle", "Extrayendo DirectX 5 Setup"},
    {"dxExtractGroupText", "Extrayendo Microsoft DirectX 5 Setup. Espere, por favor..."},
    {"dxExtractFileFormat", "Archivo: %s"},
    {"dxTextCleanup", "El programa de instalación está quitando los archivos temporales de DirectX 5 Setup. Espere, por favor..."},
    {"dxReasons1", "No se encuentra la biblioteca de DirectXSetup (dsetup.lib)."},
    {"dxReasons2", "No se encuentra la función DirectXSetup."},
    {"dxReasons3", "No se pudo comprobar el tamaño de un archivo o no es correcto."},
    {"dxReasons4", "No se pudo comprobar la fecha y la hora de un archivo o no son correctas."},
    {"dxReasons5", "DirectX no es compatible con la versión de Windows de este sistema."},
    {"dxReasons6", "El programa de instalación no encontró la carpeta de trabajo."},
    {"dxReasons7", "No se encuentra un archivo .inf necesario."},
    {"dxReasons8", "Se produjo un error interno."},
    {"dxReasons9", "No se pudo comprobar la versión de un archivo o no es correcta."},
    {"dxReasons10", "La versión de Windows NT de este sistema no tiene instalados todos los componentes de DirectX."},
    {"dxReasons11", "El programa de instalación se quedó sin espacio en disco durante la instalación."},
    {"dxReasons12", "No se encuentra uno de los archivos de origen necesarios."},
    {"dxReasons13", "El sistema operativo de este equipo no es compatible actualmente."},
    {"dxReasons14", "Se pulsó Cancelar antes de que la aplicación estuviera instalada por completo."},
    {"msgPreviousLeftovers", "Estos archivos de la instalación anterior no se pudieron quitar y se quedan donde están:\n\n%s"},
    {"msgFolderNotAllowed", "%s no puede ser la carpeta de destino: es la raíz de una unidad o de un recurso compartido de red, "
                            "la carpeta de Windows o del sistema, o una carpeta que las contiene. Elija otra carpeta."},
    {"msgProgramsInUse", "Estos programas usan archivos que el programa de instalación debe reemplazar o quitar. Ciérrelos y "
                         "elija Reintentar, o elija Omitir para continuar; los archivos se reemplazarán al reiniciar el equipo."},
    {"msgFilesInUse", "Estos archivos, que el programa de instalación debe reemplazar o quitar, están siendo usados por otro "
                      "programa. Ciérrelo y elija Reintentar, o elija Omitir para continuar; los archivos se reemplazarán al "
                      "reiniciar el equipo."},
    {"captionRetry", "&Reintentar"},
    {"captionIgnore", "&Omitir"},
    {"msgInterruptedUndone", "Una instalación anterior de este producto se interrumpió antes de terminar. Se han deshecho todos "
                             "los cambios que había hecho."},
    {"msgInterruptedKept", "Una instalación anterior de este producto se interrumpió antes de terminar y su registro no es "
                           "fiable, así que no se ha deshecho nada. Lo que apartó sigue en estas carpetas:\n\n%s"},
    {"msgFolderNameUnusable", "La carpeta %s tiene un nombre que la página de códigos de este sistema no puede escribir (\"?\" "
                              "marca lo que falta), y su unidad no le da un nombre corto que usar en su lugar. El programa de "
                              "instalación no ha cambiado nada. Con los nombres cortos activados en esa unidad, o como un "
                              "usuario cuyas carpetas pueda escribir la página de códigos, sí se puede instalar."},
    {"captionLanguage", "Idioma de instalación"},
    {"msgChooseLanguage", "Seleccione el idioma que desea usar durante la instalación:"},
};

constexpr FieldText kNameTexts[] = {
    {"textRemovingPrevious", "El programa de instalación está quitando la instalación anterior de {}. Espere, por favor..."},
    {"msgLogNotFound", "No se pudo abrir el registro de desinstalación de la instalación anterior:\n%s\n\nSe instalará encima."},
    {"msgLogCorrupt", "El registro de desinstalación de la instalación anterior está dañado:\n%s\n\nSe instalará encima."},
    {"msgLowDiskSpace", "No hay espacio libre suficiente en la unidad de destino.\n\n¿Desea instalar de todos modos?"},
    {"msgConfirmInstall", "Se instalará {} en el equipo.\n\n¿Desea continuar?"},
    {"msgConfirmUpgrade", "Hay instalada una versión anterior de {}.\n\n¿Desea actualizarla?"},
    {"msgConfirmReinstall", "Esta versión de {} ya está instalada.\n\n¿Desea instalarla de nuevo?"},
    {"msgNewerInstalled", "Ya hay instalada una versión más reciente de {}.\n\nEl programa de instalación se cerrará."},
    {"msgConfirmQuit", "La instalación no ha terminado. ¿Seguro que desea salir?"},
    {"msgCanceled", "Se canceló la instalación de {}.\n\nNo se ha cambiado nada en el equipo."},
    {"uninstallShortcutName", "{}\\Desinstalar {}"},
    {"progressTitle", "Instalando {}"},
    {"titlePrompt", "Instalación de {}"},
    {"titleError", "Error de instalación de {}"},
    {"titleMessage", "Instalación de {}"},
    {"titleWizard", "Instalación de {}"},
    {"msgDoneStartMenu", "{} se ha instalado.\n\nLo encontrará en el menú Inicio."},
    {"msgDoneDesktop", "{} se ha instalado.\n\nEncontrará su acceso directo en el escritorio."},
    {"msgDoneFolder", "{} se ha instalado en\n%s"},
    {"msgDoneReboot", "{} se ha instalado. Debe reiniciar Windows antes de usarlo.\n\n¿Desea reiniciar ahora?"},
    {"dxMsgFailed", "No se pudo instalar DirectX:\n%s\n\n¿Desea continuar con la instalación de {}?"},
};

}  // namespace

const BuiltInTexts kSpanishTexts = {
    kDefaults,
    kNameTexts,
    {
        "Desinstalar {}",
        nullptr,
        "{} se está ejecutando. Ciérrelo antes de quitarlo.",
        "¿Seguro que desea quitar {} y todos sus componentes?",
        "Quitando archivos",
        "Quitando carpetas",
        "Quitando entradas del Registro",
        "Terminado",
        "{} se ha quitado del equipo.",
        "Se produjeron errores al quitar {}. Es posible que algunas partes se deban quitar a mano.",
        "Desinstalando",
        "Quitando {}. Espere, por favor...",
        "Se produjeron errores durante la desinstalación",
        "-- No se pudieron quitar estos archivos --",
        "-- No se pudieron quitar estas carpetas --",
        "-- No se pudieron quitar estas entradas del Registro --",
        nullptr,
        "Aceptar",
        "&Detalles...",
    },
};

}  // namespace mkpackage
