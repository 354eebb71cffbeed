#pragma once

// Resource ids keep the numbers the program has always used: stored
// packages, scripts and translations refer to them.

// Icons
#define IDI_PACKAGE 102

// Dialog templates
#define IDD_MAIN 101
#define IDD_CONTENTS 105
#define IDD_USAGE 108
#define IDD_PROGRESS 110
#define IDD_LICENSE 114
#define IDD_MAIN_LARGE 115

// Controls
#define IDC_INSTRUCTION 1001
#define IDC_EXTRACT 1003
#define IDC_CLOSE 1004
#define IDC_PACKAGE_ICON 1005
#define IDC_DESCRIPTION 1006
#define IDC_CONTENTS_LIST 1008
#define IDC_EXIT 1010  // ends the package window like Close; no template has it today
#define IDC_PROGRESS_BAR 1011
#define IDC_LICENSE_TEXT 1012

// System menu command of the package window (its four low bits are the
// system's own)
#define IDM_VIEW_CONTENTS 0xFF0

// Strings
#define IDS_CAPTION 1
#define IDS_VIEW_CONTENTS 200
#define IDS_VERSION_LABEL 201
#define IDS_BROWSE_PROMPT 300
#define IDS_INSTRUCTION 303
#define IDS_NOT_A_PACKAGE 1000
#define IDS_FOLDER_REFUSED 1002
#define IDS_NO_SPACE 1003
#define IDS_INSTALLER_NOT_STARTED 1004
#define IDS_EXTRACTION_FAILED 1005
#define IDS_COLUMN_DATE 2000
#define IDS_COLUMN_TIME 2001
#define IDS_COLUMN_SIZE 2002
#define IDS_COLUMN_FILENAME 2003
#define IDS_DESCRIPTION_FONT 3000
