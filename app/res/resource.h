// Identifiers of the program's resources and commands.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_KAPTO_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_TRAYMENU 131
#define IDC_VIEW_CURSOR 133
#define IDB_PLACEHOLDER 136

// The system menu's About item (the low four bits of system commands are the
// system's own).
#define IDM_ABOUTBOX 0x0010

// The tray icon's callback message.
#define WM_TRAYNOTIFY (WM_USER + 100)

// Main window controls
#define IDC_SNAP_TYPE 1004
#define IDC_VIEW 1005
#define IDC_GRAYSCALE 1006
#define IDC_NEGATE 1007
#define IDC_FLIP_HORZ 1010
#define IDC_FLIP_VERT 1011
#define IDC_ROTATE 1012
#define IDC_SCALE 1013
#define IDC_SHEAR_ACROSS 1016
#define IDC_SHEAR_DOWN 1017
#define IDC_BLUR 1018
#define IDC_SHARPEN 1019

// About box controls
#define IDC_ABOUT_HOMEPAGE 1036
#define IDC_ABOUT_MAIL 1037

// Commands
#define ID_SNAP_FULLSCREEN 32795
#define ID_SNAP_NEW 32796
#define ID_SHOW_HIDE 32799
#define ID_FILE_SAVE_THUMB 32800
#define ID_EDIT_COPY_THUMB 32801
#define ID_EDIT_IMAGE 32804
#define ID_OPT_GRAYSCALE 32810
#define ID_OPT_NEGATE 32811
#define ID_OPT_FLIP_HORZ 32822
#define ID_OPT_FLIP_VERT 32823
#define ID_OPT_ROTATE 32824
#define ID_OPT_SCALE 32825
#define ID_OPT_SHEAR_ACROSS 32826
#define ID_OPT_SHEAR_DOWN 32827
#define ID_OPT_BLUR 32828
#define ID_OPT_SHARPEN 32829
#define ID_OPTIONS 32830
#define ID_OPT_AUTOCOPY 32844
#define ID_SNAP_SELECT_RECT 32845
#define ID_SNAP_ACTIVE_WIN 32846
#define ID_SNAP_CURRENT_WIN 32847
#define ID_SNAP_WIN_CLIENT 32848
#define ID_SNAP_WIN_OBJ 32850
#define ID_HELP_HOMEPAGE 32862
#define ID_HELP_UPDATE 32865

// Standard command ids
#define ID_FILE_OPEN 0xE101
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_FILE_PAGE_SETUP 0xE105
#define ID_FILE_PRINT 0xE107
#define ID_EDIT_CLEAR 0xE120
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_PASTE 0xE125
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_HELP 0xE146
