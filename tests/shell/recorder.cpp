// Stands in for an external program (the image editor, the help viewer):
// writes the command line it was started with and its working directory to
// recorder.txt beside itself, one per line, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char exe[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path(exe, n);
    path = path.substr(0, path.rfind('\\') + 1) + "recorder.txt";
    char cwd[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string text = std::string(::GetCommandLineA()) + "\n" + cwd + "\n";
    // Written under a temporary name and renamed, so a reader never sees half.
    std::string temp = path + ".tmp";
    HANDLE h = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, text.data(), (DWORD)text.size(), &written, nullptr);
    ::CloseHandle(h);
    if (!ok || !::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    return 0;
}
