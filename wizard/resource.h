#pragma once
// Resource ids of the wizard window, shared by mivora.rc and the window code.
// Plain macros: the resource compiler reads this file too.

#define IDI_MIVORA 1           // 32 x 32, 16 colours
#define IDD_WIZARD 100         // dialog template of the wizard window

#define IDC_NEXT 101
#define IDC_BACK 102
#define IDC_CANCEL 2
#define IDC_ACCEPT 202
#define IDC_DECLINE 203
#define IDC_BROWSE 220
#define IDC_LICENSE 201
#define IDC_TEXT 210
#define IDC_TEXT2 211
#define IDC_VERSION_LINE -1
#define IDC_DESTINATION_LABEL 222
#define IDC_DESTINATION 221
#define IDC_PROGRESS_LABEL 230
#define IDC_PROGRESS_TEXT 231
#define IDC_PROGRESS_FRAME 232

#define MIVORA_CLASS_NAME "MIVORADLG32"
#define MIVORA_VERSION_LINE "Mivora 0.1"
