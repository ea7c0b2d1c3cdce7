// config.xml beside the benchmark program, put back as it was when the
// benchmark ends: a benchmark starts the engine, which writes the file.
#pragma once

#include <windows.h>
#include <stdio.h>

#include <string>

#include "kp_config.h"

namespace bench {

class ConfigKeeper {
public:
    ConfigKeeper() : m_path(std::string(CHelper::GetAppPath()) + "config.xml") {
        FILE* f = fopen(m_path.c_str(), "rb");
        m_bExisted = f != nullptr;
        if (f == nullptr) return;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) m_data.append(buf, n);
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

}  // namespace bench
