// Test helper run under wine beside the host: finds the game window by its
// title and the executable that owns it (scenarios run side by side, each with
// its own copy of the host), and reports on it or sends it messages, as a user
// or another program would. <exe> is the owner's Windows path.
//   winprobe wait <title> <exe> <timeout-ms>          prints "client=WxH window=L,T,R,B visible=0|1 origin=X,Y"
//   winprobe close <title> <exe>                      sends WM_CLOSE
//   winprobe closewait <title> <exe> <timeout-ms>     sends WM_CLOSE, waits for the owner process to end,
//                                                     prints "exit=<code>" (its Windows exit code)
//   winprobe copydata <title> <exe> <kind> <text> [nonul]
//   winprobe command <title> <exe> <id> <high-word>   posts WM_COMMAND
//   winprobe show <title> <exe> minimize|restore
//   winprobe gone <title> <exe> <timeout-ms>          exit 0 once no such window exists
//   winprobe click <title> <exe> <x> <y>              left press and release at a client point
//   winprobe absent <title> <exe> <timeout-ms>        exit 0 when no such window appears in that time
//   winprobe texts <title> <exe>                      prints the text of each child window, one a line
//   winprobe syscommand <title> <exe> <id>            posts WM_SYSCOMMAND
//   winprobe exstyle <title> <exe>                    prints "exstyle=0x<hex>" (the extended window style)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string narrow(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], bytes, nullptr, nullptr);
    return out;
}

struct Search {
    const wchar_t* title;
    const wchar_t* exe;
    HWND found;
};

bool ownedBy(HWND window, const wchar_t* exe) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return false;
    wchar_t image[1024] = {};
    DWORD size = 1024;
    const bool same = QueryFullProcessImageNameW(process, 0, image, &size) && lstrcmpiW(image, exe) == 0;
    CloseHandle(process);
    return same;
}

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    if (std::wcscmp(text, search->title) != 0 || !ownedBy(window, search->exe)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findWindow(const wchar_t* title, const wchar_t* exe) {
    Search search = {title, exe, nullptr};
    EnumWindows(&matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const wchar_t* title, const wchar_t* exe, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = findWindow(title, exe)) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

int report(HWND window) {
    RECT client = {}, frame = {};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    POINT origin = {0, 0};  // the client area's top-left corner on the screen
    ClientToScreen(window, &origin);
    std::printf("client=%ldx%ld window=%ld,%ld,%ld,%ld visible=%d origin=%ld,%ld\n", client.right - client.left,
                client.bottom - client.top, frame.left, frame.top, frame.right, frame.bottom,
                IsWindowVisible(window) ? 1 : 0, origin.x, origin.y);
    return 0;
}

BOOL CALLBACK printChildText(HWND child, LPARAM) {
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 512);
    std::printf("%s\n", narrow(text).c_str());
    return TRUE;
}

int usage() {
    std::fprintf(stderr, "usage: winprobe wait|close|closewait|copydata|command|show|gone|click|move <title> <exe> ...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return usage();
    const std::wstring verb = argv[1];
    const wchar_t* title = argv[2];
    const wchar_t* exe = argv[3];
    argv += 1;  // skip <exe>: the verb's own arguments start at argv[3], as before it was added
    argc -= 1;

    if (verb == L"gone") {
        const DWORD timeout = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
        const DWORD start = GetTickCount();
        while (findWindow(title, exe)) {
            if (GetTickCount() - start >= timeout) return 1;
            Sleep(50);
        }
        return 0;
    }

    if (verb == L"absent") {
        const DWORD timeout = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 2000;
        return waitForWindow(title, exe, timeout) ? 1 : 0;
    }

    const DWORD timeout = (verb == L"wait" && argc > 3) ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
    HWND window = waitForWindow(title, exe, timeout);
    if (!window) {
        std::fprintf(stderr, "no window titled \"%s\"\n", narrow(title).c_str());
        return 1;
    }
    std::fflush(stdout);

    if (verb == L"wait") return report(window);
    if (verb == L"close") {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == L"closewait") {
        // The exit code as a Windows parent sees it. Under wine the unix side of
        // an ended process is killed by wineserver when its teardown takes over
        // about a second (as it can under emulation), which loses the code there.
        const DWORD waitMs = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 30000;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process) {
            std::fprintf(stderr, "cannot open the window's process (%lu)\n", GetLastError());
            return 1;
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD code = 0;
        const bool ended = WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
        CloseHandle(process);
        if (!ended) {
            std::fprintf(stderr, "the window's process did not end within %lu ms\n", waitMs);
            return 1;
        }
        std::printf("exit=%lu\n", code);
        return 0;
    }
    if (verb == L"copydata" && argc >= 5) {
        const std::string text = narrow(argv[4]);
        const bool withNul = !(argc > 5 && std::wstring(argv[5]) == L"nonul");
        std::vector<char> payload(text.begin(), text.end());
        if (withNul) payload.push_back('\0');
        COPYDATASTRUCT data = {};
        data.dwData = static_cast<ULONG_PTR>(_wtoi(argv[3]));
        data.cbData = static_cast<DWORD>(payload.size());
        data.lpData = payload.empty() ? nullptr : payload.data();
        SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        return 0;
    }
    if (verb == L"command" && argc >= 5) {
        const WORD id = static_cast<WORD>(_wtoi(argv[3]));
        const WORD high = static_cast<WORD>(_wtoi(argv[4]));
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, high), 0);  // posted: the About box is modal
        return 0;
    }
    if (verb == L"texts") {
        EnumChildWindows(window, &printChildText, 0);
        return 0;
    }
    if (verb == L"syscommand" && argc >= 4) {
        PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(_wtoi(argv[3])), 0);
        return 0;
    }
    if (verb == L"click" && argc >= 5) {
        // Posted like the mouse's own messages, so no other window on the
        // (shared, unmanaged) test display can take the click.
        const LPARAM at = MAKELPARAM(_wtoi(argv[3]), _wtoi(argv[4]));
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(window, WM_LBUTTONUP, 0, at);
        return 0;
    }
    if (verb == L"move" && argc >= 5) {
        // Outer top-left corner, as a user's drag leaves it; the size stays.
        const BOOL moved = SetWindowPos(window, nullptr, _wtoi(argv[3]), _wtoi(argv[4]), 0, 0,
                                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return moved ? report(window) : 1;
    }
    if (verb == L"exstyle") {
        std::printf("exstyle=0x%08lx\n", static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)));
        return 0;
    }
    if (verb == L"show" && argc >= 4) {
        ShowWindow(window, std::wstring(argv[3]) == L"minimize" ? SW_MINIMIZE : SW_RESTORE);
        return 0;
    }
    return usage();
}
