// Resource and control identifiers shared by setup.rc and the setup program.
#ifndef RES_RESOURCE_IDS_H
#define RES_RESOURCE_IDS_H

#define IDI_SETUP 20

#define IDS_NO_PACKAGE 1
#define IDS_ARCHIVE_CORRUPT 2
#define IDS_KEPT_IN_BACKUP 3

#define IDD_DIRECTORY_CHOOSER 104
#define IDD_NOTICE 105
#define IDD_REPLACE_CONFIRM 106
#define IDD_PROGRESS 107
#define IDD_WIZARD_PAGE 109
#define IDD_FILES_IN_USE 110
#define IDD_LANGUAGE 111

/* directory chooser */
#define IDC_NETWORK 200
#define IDC_DIR_EDIT 203
#define IDC_DIR_LIST 204
#define IDC_DRIVE_LIST 205
#define IDC_DEVICE_NOT_READY 206
#define IDC_DIR_NAME_LABEL 215
#define IDC_DRIVES_LABEL 216

/* progress window */
#define IDC_PROGRESS_BAR 211
#define IDC_GROUP_LINE 227
#define IDC_ANIMATION 228
#define IDC_FILE_LINE 230

/* replace confirmation */
#define IDC_REPLACE_QUESTION 217
#define IDC_REPLACE_WITH_THIS 218
#define IDC_REPLACE_PICTURE 221
#define IDC_REPLACE_EXISTS 222
#define IDC_EXISTING_ICON 223
#define IDC_NEW_ICON 224
#define IDC_EXISTING_INFO 225
#define IDC_NEW_INFO 226
#define IDC_YES_TO_ALL 231

/* files-in-use question (Retry, Ignore and Cancel are IDRETRY, IDIGNORE, IDCANCEL) */
#define IDC_IN_USE_ICON 232
#define IDC_IN_USE_TEXT 233
#define IDC_IN_USE_LIST 234

/* language question (OK and Cancel are IDOK, IDCANCEL) */
#define IDC_LANGUAGE_PROMPT 235
#define IDC_LANGUAGE_LIST 236

/* notice popup */
#define IDC_NOTICE_TEXT 219
#define IDC_NOTICE_ICON 220

#endif
