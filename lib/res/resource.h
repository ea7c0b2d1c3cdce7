// Identifiers of the library's resources and of the controls in its dialogs.
#pragma once

// The rectangle selection overlay and its tip panel.
#define IDD_SNAP_RECT 135
#define IDC_SNAP_RECT_TIP 1031
#define IDC_SNAP_CROSS 4003

// The object tip dialog and its panel; the panel's background picture.
#define IDD_SNAP_OBJ 4005
#define IDC_SNAP_OBJ_TIP 4002
#define IDB_SNAP_TIP 4002
// ... drawn for monitors scaled to 150 % and 200 %
#define IDB_SNAP_TIP_150 150
#define IDB_SNAP_TIP_200 151

// The active-window chooser.
#define IDD_ACTIVE_WIN 4004
#define IDC_WINDOW_LIST 4000
