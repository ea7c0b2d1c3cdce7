// The engine as the benchmarks run it: settings file kept, the program's two
// windows stood in for, and a quiet configuration (no delay, no sound, main
// window not hidden, no automatic copy, no start-up capture).
#pragma once

#include <stdio.h>

#include <string>

#include "bench_support.h"
#include "framework/wnd.h"
#include "kp_core.h"

namespace bench {

// config.xml beside the program, put back as it was when the bench ends.
struct ConfigKeeper {
    std::string path, data;
    bool existed = false;
    ConfigKeeper() : path(std::string(CHelper::GetAppPath()) + "config.xml") {
        FILE* f = fopen(path.c_str(), "rb");
        existed = f != nullptr;
        if (f == nullptr) return;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
        fclose(f);
    }
    ~ConfigKeeper() {
        if (!existed) {
            DeleteFileA(path.c_str());
            return;
        }
        FILE* f = fopen(path.c_str(), "wb");
        if (f == nullptr) return;
        fwrite(data.data(), 1, data.size(), f);
        fclose(f);
    }
};

// Starts core on a 400 x 300 main window at (x, y) with its view, quietly.
inline void StartEngine(CKpCore& core, CWnd& main, CWnd& view, int x, int y) {
    {
        CKpConfig start;
        start.SetSnapOnStart(0);
        start.SaveConfig();
    }
    main.CreateEx(0, AfxRegisterWndClass(0), "bench main", WS_POPUP | WS_VISIBLE, x, y, 400, 300, nullptr, nullptr);
    view.CreateEx(0, AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 390, 280, main.m_hWnd,
                  (HMENU)1005);
    Require(core.InitSnapper(&main, &view) != 0, "InitSnapper");
    core.m_config.SetSnapDelayTime(0);
    core.m_config.SetPlaySnapSound(0);
    core.m_config.SetHideMainWnd(0);
    core.m_config.SetAutoCopy(0);
}

}  // namespace bench
