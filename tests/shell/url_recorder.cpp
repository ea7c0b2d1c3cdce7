// Stands in for the browser and the mail program: appends its command line
// to url_recorder.log beside itself and ends.
#include <windows.h>

#include <string>

int main() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string log(path, n);
    log = log.substr(0, log.rfind('\\') + 1) + "url_recorder.log";
    HANDLE h = ::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    std::string line = std::string(::GetCommandLineA()) + "\n";
    DWORD nWritten = 0;
    ::WriteFile(h, line.data(), (DWORD)line.size(), &nWritten, nullptr);
    ::CloseHandle(h);
    return 0;
}
