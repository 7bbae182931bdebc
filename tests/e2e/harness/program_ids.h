// The numbers the scenarios know the programs by from outside: exit codes
// and the ids of the controls they read and press. Stated here once, apart
// from the programs' own headers, so that a renumbering shows as a failure.
#ifndef E2E_HARNESS_PROGRAM_IDS_H
#define E2E_HARNESS_PROGRAM_IDS_H

namespace e2e {

// The setup program's exit codes: a run that fails ends with its error's
// number, a declined question (attended) with 0.
enum SetupExit : int {
    kSetupDone = 0,
    kSetupDamagedPackage = 1,  // also: no package found
    kSetupCannotCreateFile = 2,
    kSetupCannotMakeFolder = 4,
    kSetupCannotWrite = 5,
    kSetupChecksumError = 8,
    kSetupCancelled = 8,
    kSetupNewerInstalled = 20,  // unattended
    kSetupAlreadyRunning = 21,  // unattended
    kSetupBadOption = 22,
    kSetupNotEnoughSpace = 23,  // unattended
    kSetupDirectXFailed = 24,   // unattended
    kSetupPreviousLeftovers = 25,  // unattended: a file of the previous installation stayed
    kSetupFilesInUse = 26,         // unattended: files to replace or remove are in use
    kSetupJournalKept = 27,        // unattended: an interrupted run's journal could not be undone
    kSetupFolderNameUnusable = 28,  // a system folder has no name the code page can spell
    kSetupRestartRequired = 3010,
};

// The uninstaller's exit codes.
enum UninstallExit : int {
    kUninstallRemoved = 0,  // also: the question answered No
    kUninstallUsage = 1,
    kUninstallLogNotFound = 2,
    kUninstallLogRefused = 3,
    kUninstallRunning = 4,
    kUninstallLeftOver = 5,
    kUninstallFilesInUse = 6,
    kUninstallInterrupted = 7,  // a setup killed in the folder could not be undone
    kUninstallFolderNameUnusable = 8,
};

// Message box buttons (and the dialogs' OK and Cancel).
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kMessageText = 0xFFFF;

// The wizard sheet's buttons.
inline constexpr int kWizardBack = 0x3023;
inline constexpr int kWizardNext = 0x3024;
inline constexpr int kWizardFinish = 0x3025;

// Controls of the wizard's pages.
inline constexpr int kBrowse = 201, kFolder = 202, kRequired = 212, kFree = 213;
inline constexpr int kDesktop = 400, kStartMenu = 401, kInstallDirectX = 402, kSkipDirectX = 403;
inline constexpr int kMinimal = 404, kTypical = 405, kComplete = 406, kRequiredText = 40000;

// The directory chooser.
inline constexpr int kNetwork = 200, kChooserEdit = 203, kFolderList = 204, kDriveList = 205;
inline constexpr int kNotReady = 206, kNameLabel = 215, kDrivesLabel = 216;

// The progress window.
inline constexpr int kProgressBar = 211, kProgressGroupLine = 227, kProgressFileLine = 230;

// The replace question (Yes, No and Cancel are the message box ids).
inline constexpr int kReplaceQuestionLine = 217, kReplaceWithThisLine = 218;
inline constexpr int kReplaceExistsLine = 222, kReplaceExistingFigures = 225;
inline constexpr int kReplaceNewFigures = 226, kReplaceYesToAll = 231;

// The files-in-use question.
inline constexpr int kIdRetry = 4, kIdIgnore = 5;
inline constexpr int kInUseText = 233, kInUseList = 234;

// The status and undo popup.
inline constexpr int kNoticeText = 219;

// The uninstaller's windows.
inline constexpr int kUninstallStatusText = 1001, kUninstallBar = 1003;
inline constexpr int kUninstallDetailsButton = 1011, kUninstallDetailsText = 1020;

}  // namespace e2e

#endif
