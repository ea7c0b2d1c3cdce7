// Identifiers of the program's resources and commands.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_KAPTO_DIALOG 102
#define IDD_OPTION_BASIC 107
#define IDD_OPTION_IMAGE 108
#define IDD_OPTION_HOTKEY 109
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
// Options sheet: the general page
#define IDC_PLAY_SNAP_SOUND 1020
#define IDC_HIDE_MAIN_WND 1021
#define IDC_SNAP_ON_START 1022
#define IDC_SNAP_DELAY_TIME 1025
#define IDC_KEEP_ON_TOP 1038
#define IDC_CAPTURE_POINTER 1044
#define IDC_FULL_SCREEN_SCOPE 1045
// the image page
#define IDC_EDIT_APP_PATH 1026
#define IDC_ROTATE_ANGLE 1027
#define IDC_SCALE_FACTOR 1028
#define IDC_SHEAR_ACROSS_AMOUNT 1029
#define IDC_SHEAR_DOWN_AMOUNT 1030
#define IDC_BLUR_FACTOR 1031
#define IDC_SHARPEN_FACTOR 1032
#define IDC_BROWSE_EDIT_APP 1033
// the hot-key page, one control per hot key in the order of their ids
#define IDC_HOTKEY_NEW_SNAP 1037
#define IDC_HOTKEY_FULL_SCREEN 1043
#define IDC_HOTKEY_ACTIVE_WIN 1035
#define IDC_HOTKEY_CURRENT_WIN 1038
#define IDC_HOTKEY_WIN_CLIENT 1039
#define IDC_HOTKEY_WIN_OBJ 1040
#define IDC_HOTKEY_SELECT_RECT 1041
#define IDC_HOTKEY_SHOW_HIDE 1036
// the scrolling capture's, after the capture modes' on the page
#define IDC_HOTKEY_SCROLL 1080

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
// The scrolling capture (the 捕捉 menu's item after the modes; no mode of its own)
#define ID_SNAP_SCROLL 32884

// The markup window: its template, its controls, the menu item that opens
// it, its tools (in tool-bar order from ID_MARKUP_ARROW to the crop, then the
// select tool, which is first on the bar, and the cover, which follows the
// crop there) and its other commands.
#define IDD_MARKUP 140
#define IDC_MARKUP_CANVAS 4101
#define IDC_MARKUP_TOOLBAR 4102
#define IDC_MARKUP_WIDTH 4103
#define IDC_MARKUP_TEXTSIZE 4104
#define IDC_MARKUP_WIDTH_LABEL 4105
#define IDC_MARKUP_TEXTSIZE_LABEL 4106
#define ID_EDIT_MARKUP 32870
#define ID_MARKUP_ARROW 32871
#define ID_MARKUP_LINE 32872
#define ID_MARKUP_RECT 32873
#define ID_MARKUP_ELLIPSE 32874
#define ID_MARKUP_PEN 32875
#define ID_MARKUP_HIGHLIGHTER 32876
#define ID_MARKUP_TEXT 32877
#define ID_MARKUP_MOSAIC 32878
#define ID_MARKUP_NUMBER 32879
#define ID_MARKUP_CROP 32880
#define ID_MARKUP_SELECT 32881
#define ID_MARKUP_COVER 32882
#define ID_MARKUP_SWATCH_FIRST 32890  // eight swatches
#define ID_MARKUP_SWATCH_LAST 32897
#define ID_MARKUP_COLOR 32898
#define ID_MARKUP_UNDO 32899
#define ID_MARKUP_REDO 32900
#define ID_MARKUP_FIT 32901
#define ID_MARKUP_ACTUAL_SIZE 32902
#define ID_MARKUP_COPY 32903
#define ID_MARKUP_DELETE 32904

// A picture pinned on the screen: the main menu's item that pins the
// current image, and the pin's right-click menu with its commands.
#define ID_EDIT_PIN 32883
#define IDR_PIN_MENU 190
#define ID_PIN_COPY 32930
#define ID_PIN_SAVE_AS 32931
#define ID_PIN_MARKUP 32932
#define ID_PIN_ACTUAL_SIZE 32933
#define ID_PIN_CLOSE 32934
#define ID_PIN_CLOSE_ALL 32935
#define ID_PIN_OPACITY_100 32936
#define ID_PIN_OPACITY_80 32937
#define ID_PIN_OPACITY_60 32938
#define ID_PIN_OPACITY_40 32939

// The recent captures and automatic saving: the window that lists them
// (its list view, its buttons, which its context menu shares), the options
// page, the notice of a folder automatic saving cannot write, the menu item
// that opens the window and the command that opens an item from it.
#define IDD_RECENT 170
#define IDR_RECENT_MENU 171
#define IDD_OPTION_AUTOSAVE 172
#define IDD_AUTOSAVE_FAILED 173
#define IDC_RECENT_LIST 4201
#define IDC_RECENT_OPEN 4202
#define IDC_RECENT_COPY 4203
#define IDC_RECENT_SAVE_AS 4204
#define IDC_RECENT_DELETE 4205
#define IDC_RECENT_FOLDER 4206
#define IDC_RECENT_COPY_PATH 4207
#define IDC_RECENT_COUNT 4208
#define IDC_AUTOSAVE 1060
#define IDC_AUTOSAVE_FOLDER 1061
#define IDC_AUTOSAVE_BROWSE 1062
#define IDC_AUTOSAVE_NAME 1063
#define IDC_AUTOSAVE_FORMAT 1064
#define IDC_AUTOSAVE_EXAMPLE 1065
#define IDC_AUTOSAVE_COUNTER 1066
#define IDC_AUTOSAVE_FAILED_TEXT 1067
#define IDC_AUTOSAVE_FAILED_RECENT 1068
#define IDC_AUTOSAVE_FAILED_ICON 1069
#define ID_SNAP_RECENT 32885
#define ID_RECENT_OPEN 32905

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
