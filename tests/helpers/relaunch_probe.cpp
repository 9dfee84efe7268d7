// Test helper: the host itself, with one trigger the real game never has. Once
// a file "relaunch-now" appears beside the executable (the scenario writes it
// after moving the window) it asks the host to relaunch itself; the instance
// that starts then (recognised by the "-workdir" the host passes on) writes its
// command line to "spawned.txt" beside the executable and ends.
#include "proj.win32/HostPaths.h"
#include "proj.win32/SimulatorWin.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "cocos2d.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

bool isSpawnedInstance() {
    for (int i = 1; i < __argc; ++i) {
        if (std::wcscmp(__wargv[i], L"-workdir") == 0) return true;
    }
    return false;
}

int recordCommandLine() {
    const std::string path = getExecutableDir() + "/spawned.txt";
    FILE* file = _wfopen(utf8ToWide(path).c_str(), L"wb");
    if (!file) return 1;
    const std::string line = wideToUtf8(::GetCommandLineW());
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    if (isSpawnedInstance()) return recordCommandLine();
    static int trigger;
    static const std::wstring triggerFile = utf8ToWide(getExecutableDir() + "/relaunch-now");
    cocos2d::Director::getInstance()->getScheduler()->schedule(
        [](float) {
            if (::GetFileAttributesW(triggerFile.c_str()) == INVALID_FILE_ATTRIBUTES) return;
            cocos2d::Director::getInstance()->getScheduler()->unschedule("relaunch_probe", &trigger);
            SimulatorWin::getInstance()->relaunch();
        },
        &trigger, 0, CC_REPEAT_FOREVER, 0, false, "relaunch_probe");
    return SimulatorWin::getInstance()->run();
}
