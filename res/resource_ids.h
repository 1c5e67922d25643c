#pragma once

// Resource and control ids, shared by the resource script and the code; plain
// macros because the resource compiler reads this file too.


#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_PROGRESS 103

#define IDS_ABOUT_ITEM 101
#define IDS_MAIN_TITLE 102

#define IDI_APPLICATION_ICON 128

// The About item of the main dialog's system menu; below F000h, where the
// system's own commands begin, and with the low four bits clear, which the
// system uses for itself in WM_SYSCOMMAND.
#define IDM_ABOUTBOX 0x0010

#define IDC_COPY 1
#define IDC_CLOSE 2
#define IDC_SERIAL 1000
#define IDC_DRIVE_LIST 1001
#define IDC_INSTRUCTION_LINE 1002
#define IDC_NOTE 1003
#define IDC_DRIVE_NOTE 1004

#define IDC_PROGRESS_TEXT 1010
#define IDC_PROGRESS_BAR 1011
#define IDC_PROGRESS_STEP 1012
