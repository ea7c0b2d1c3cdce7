#pragma once

#define IDR_TEST_TRAY 131
#define IDR_TEST_NO_MENU 139  // an icon id without a menu resource
#define ID_TEST_SHOW_HIDE 32799
#define ID_TEST_FULL_SCREEN 32795
