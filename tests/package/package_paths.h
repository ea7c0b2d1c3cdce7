// Where the package tests find what they check: the program folder the test
// programs are built into, and the zip, the installer and the staged program
// folder that the build makes beside it (package/ in the build tree).
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/kapto_process.h"

namespace kaptotest {

inline std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

inline std::string PackageDir() { return FullPath(ExeDir() + "..\\package\\"); }
inline std::string SetupPath() { return PackageDir() + "Kapto-" KAPTO_VERSION "-setup.exe"; }
inline std::string ZipPath() { return PackageDir() + "Kapto-" KAPTO_VERSION ".zip"; }
// The program folder as it ships (stripped), which the zip and the installer hold.
inline std::string StageDir() { return PackageDir() + "stage\\"; }

// Every file below dir (ending in a separator), as relative paths with '\',
// sorted.
inline void ListFilesInto(const std::string& dir, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + prefix + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFilesInto(dir, prefix + name + "\\", out);
        else
            out.push_back(prefix + name);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
}

inline std::vector<std::string> ListFiles(const std::string& dir) {
    std::vector<std::string> out;
    ListFilesInto(dir, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

inline bool DirExists(const std::string& dir) {
    DWORD a = ::GetFileAttributesA(dir.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace kaptotest
