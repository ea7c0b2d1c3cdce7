// What a benchmark of the engine sets up around it: GDI+ for the program,
// and config.xml beside the benchmark program, written with the settings a
// benchmark starts from and put back as it was when the benchmark ends (the
// engine writes the file when it closes).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>

#include <string>

#include "bench_support.h"
#include "kp_core.h"

namespace bench {

class ConfigKeeper {
public:
    ConfigKeeper() : m_path(std::string(CHelper::GetAppPath()) + "config.xml") {
        FILE* f = fopen(m_path.c_str(), "rb");
        m_bExisted = f != nullptr;
        if (f == nullptr) return;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            m_data.append(buf, n);
        fclose(f);
    }
    ~ConfigKeeper() {
        if (!m_bExisted) {
            DeleteFileA(m_path.c_str());
            return;
        }
        FILE* f = fopen(m_path.c_str(), "wb");
        if (f == nullptr) return;
        fwrite(m_data.data(), 1, m_data.size(), f);
        fclose(f);
    }
    ConfigKeeper(const ConfigKeeper&) = delete;
    ConfigKeeper& operator=(const ConfigKeeper&) = delete;

private:
    std::string m_path;
    std::string m_data;
    bool m_bExisted = false;
};

// GDI+ started, the settings file kept and set to start without a capture.
class EngineBenchSetup {
public:
    EngineBenchSetup() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        CKpConfig start;
        start.SetSnapOnStart(0);
        start.SaveConfig();
    }
    ~EngineBenchSetup() { Gdiplus::GdiplusShutdown(m_token); }

    // Starts the engine on the program's stand-ins and takes out what a
    // timing must not contain: delay, sound, hiding, automatic copy.
    static void Start(CKpCore& core, CWnd& main, CWnd& view) {
        Require(core.InitSnapper(&main, &view) != 0, "InitSnapper");
        core.m_config.SetSnapDelayTime(0);
        core.m_config.SetPlaySnapSound(0);
        core.m_config.SetHideMainWnd(0);
        core.m_config.SetAutoCopy(0);
    }
    EngineBenchSetup(const EngineBenchSetup&) = delete;
    EngineBenchSetup& operator=(const EngineBenchSetup&) = delete;

private:
    ConfigKeeper m_keeper;  // made first: keeps the file as it was before
    ULONG_PTR m_token = 0;
};

}  // namespace bench
