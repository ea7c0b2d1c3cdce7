// Scratch files for the tests: a private directory per use,
// whole-file reads and writes of exact bytes.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kptest {

#ifdef _WIN32
const char kSep = '\\';
#else
const char kSep = '/';
#endif

inline std::string Join(const std::string& dir, const std::string& name) { return dir + kSep + name; }

// The system's folder for temporary files, ending in a separator.
inline std::string TempRoot() {
#ifdef _WIN32
    char base[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, base);
    return base;
#else
    return "/tmp/";
#endif
}

// The folder pszName in TempRoot(), made if missing, ending in a separator:
// the same place on every run, for tests that clean up after themselves.
inline std::string NamedTempDir(const char* pszName) {
    std::string dir = TempRoot() + pszName;
#ifdef _WIN32
    ::CreateDirectoryA(dir.c_str(), nullptr);
#else
    mkdir(dir.c_str(), 0700);
#endif
    return dir + kSep;
}

// A new empty directory; empty string when none could be made.
inline std::string MakeTempDir() {
#ifdef _WIN32
    char base[MAX_PATH];
    if (GetTempPathA(MAX_PATH, base) == 0) return std::string();
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH + 64];
        snprintf(name, sizeof(name), "%skpcfg_%lu_%u", base, (unsigned long)GetCurrentProcessId(), counter++);
        if (CreateDirectoryA(name, nullptr)) return name;
    }
    return std::string();
#else
    // tmpfs where there is one: the store flushes every save to the disk.
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/kpcfg_XXXXXX";
    if (mkdtemp(&tmpl[0]) == nullptr) return std::string();
    return tmpl;
#endif
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

inline bool FileExists(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    fclose(f);
    return true;
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return "<missing>";
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

inline void RemoveFile(const std::string& path) { remove(path.c_str()); }

inline bool MakeDir(const std::string& path) {
#ifdef _WIN32
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
#else
    return mkdir(path.c_str(), 0700) == 0;
#endif
}

inline void RemoveDir(const std::string& path) {
#ifdef _WIN32
    RemoveDirectoryA(path.c_str());
#else
    rmdir(path.c_str());
#endif
}

}  // namespace kptest
