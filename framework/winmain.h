// The program's entry point. Include in exactly one source file of a
// program (not of a library): it hands over to the framework.
#pragma once

#include "framework/app.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
