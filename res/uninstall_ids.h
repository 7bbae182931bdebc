// Resource and control identifiers shared by uninstall.rc and the uninstaller.
#ifndef RES_UNINSTALL_IDS_H
#define RES_UNINSTALL_IDS_H

#define IDI_UNINSTALL 20

/* the texts needed before a log's own texts can be read */
#define IDS_CAPTION 1
#define IDS_USAGE 2
#define IDS_LOG_NOT_FOUND 3
#define IDS_LOG_CORRUPT 4
/* files of the product in use: the programs that hold them, or the files */
#define IDS_PROGRAMS_IN_USE 5
#define IDS_FILES_IN_USE 6
/* a setup of the product that was killed in its folder, undone or not */
#define IDS_INTERRUPTED_UNDONE 7
#define IDS_INTERRUPTED_ELSEWHERE 9
#define IDS_FOLDER_NAME_UNUSABLE 8
#define IDS_INTERRUPTED_SETUP 14

#define IDD_UNINSTALL_PROGRESS 101
#define IDD_UNINSTALL_ERRORS 102
#define IDD_UNINSTALL_DETAILS 103

/* progress window */
#define IDC_STATUS_TEXT 1001
#define IDC_PHASE_TEXT 1002
#define IDC_REMOVAL_BAR 1003
#define IDC_PROGRESS_ICON 1004

/* errors window; its message is the static 0xFFFF, as in a message box */
#define IDC_ERRORS_MESSAGE 0xFFFF
#define IDC_ERRORS_ICON 1010
#define IDC_DETAILS 1011

/* details window */
#define IDC_DETAILS_TEXT 1020

#endif
