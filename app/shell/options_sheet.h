// The options sheet "参数设置": copies the settings into its three pages,
// runs it modally over pMainWnd and, when the user confirms, copies them
// back and applies the topmost setting to pMainWnd. Returns the sheet's
// result (IDOK when the settings were written). What the main window does
// after a confirmation (hot keys, the image, a repaint) is its own part.
#pragma once

#include "framework/wnd.h"
#include "kp_config.h"

INT_PTR RunOptionsSheet(CWnd* pMainWnd, CKpConfig& config);
