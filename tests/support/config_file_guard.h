// Keeps the files a test program's run may change beside it (config.xml
// and the index of recent captures) and puts them back afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "support/desktop.h"

namespace kptest {

class ConfigFileGuard {
public:
    ConfigFileGuard() {
        for (File& f : m_files) {
            f.strPath = ExeDir() + f.pszName;
            f.bExisted = Read(f.strPath, f.data);
        }
    }
    ~ConfigFileGuard() {
        for (const File& f : m_files) {
            if (!f.bExisted) {
                ::DeleteFileA(f.strPath.c_str());
                continue;
            }
            HANDLE h = ::CreateFileA(f.strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) continue;
            DWORD n = 0;
            ::WriteFile(h, f.data.data(), (DWORD)f.data.size(), &n, nullptr);
            ::CloseHandle(h);
        }
    }
    // Shares writing and replacing: a program appending to the file or
    // putting a new one in its place while the test looks must not fail.
    static bool Read(const std::string& strPath, std::string& data) {
        HANDLE h = ::CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        char buf[4096];
        DWORD n = 0;
        while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
            data.append(buf, n);
        ::CloseHandle(h);
        return true;
    }

private:
    struct File {
        const char* pszName;
        std::string strPath;
        std::string data;
        bool bExisted;
    } m_files[2] = {{"config.xml", {}, {}, false}, {"recent.txt", {}, {}, false}};
};

}  // namespace kptest
