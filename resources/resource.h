// Resource and control identifiers of setup.exe, shared by setup.rc and the code.
#pragma once

#define IDI_APPLICATION_ICON 128
#define IDD_INSTALL_OPTIONS 130
#define IDD_UNINSTALL 132
#define IDD_LAUNCHER 133
#define IDB_BACKGROUND 134
#define IDD_COPY_PROGRESS 136
#define IDD_INSTALL_ERROR 137
#define IDW_INTRO 150
#define IDC_HAND_CURSOR 152
// The spinner's icons are 154 to 169, named by number in the frame order of copy_logic.cpp.

// Install options (130)
#define IDC_OPTIONS_ABORT 1005
#define IDC_OPTIONS_BROWSE 1007
#define IDC_OPTIONS_FOLDER 1008
#define IDC_OPTIONS_INSTALL_NOW 1012
#define IDC_OPTIONS_FREE_SPACE 1013

// Install error (137)
#define IDC_ERROR_TEXT 1014
#define IDC_ERROR_CLEAN_UP 1029

// Uninstall (132)
#define IDC_UNINSTALL_NOW 1016
#define IDC_UNINSTALL_PROGRESS 1019
#define IDC_UNINSTALL_EXIT 1023
#define IDC_UNINSTALL_WARNING 1024
#define IDC_UNINSTALL_FOLDER 1025
#define IDC_UNINSTALL_NOTE 1026

// Copy progress (136) and install error (137) share the progress bar's id
#define IDC_COPY_ABORT 1027
#define IDC_PROGRESS_BAR 1028
#define IDC_COPY_SPINNER 1035
