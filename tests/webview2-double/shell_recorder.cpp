// Stands in for the program the shell opens a link with: appends its first
// argument as one UTF-8 line to the file named by WEBWINDOW_SHELL_RECORD.
#include "proj.win32/Win32.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const wchar_t* target = ::_wgetenv(L"WEBWINDOW_SHELL_RECORD");
    if (!argv || argc < 2 || !target) return 1;
    char line[4096];
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, line, sizeof line, nullptr, nullptr);
    if (n <= 0) return 1;
    FILE* out = ::_wfopen(target, L"ab");
    if (!out) return 1;
    std::fprintf(out, "%s\n", line);
    std::fclose(out);
    return 0;
}
