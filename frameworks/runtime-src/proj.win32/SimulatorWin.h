// The host: settles the configuration and folders, opens the game window and
// runs the engine's main loop. One instance, created on first use, never
// destroyed. Main thread only.
#pragma once

#include "ProjectConfig/ProjectConfig.h"

#include <cstdio>

struct HWND__;
typedef HWND__* HWND;

class AppDelegate;

class SimulatorWin {
public:
    static SimulatorWin* getInstance();

    virtual ~SimulatorWin();
    virtual void quit();
    virtual void relaunch();
    virtual void spawnInstance();
    virtual void spawnInstanceWithConfig(const ProjectConfig& config);
    virtual void reopenWithConfig(const ProjectConfig& config);
    virtual int getWindowLeft();
    virtual int getWindowTop();

    // The start-up sequence; returns the engine main loop's exit code.
    int run();

    // One line of the debug log file, flushed at once; nothing without a file.
    void writeDebugLogLine(const char* line);

    HWND getWindow() const { return hwnd; }

private:
    SimulatorWin() = default;
    void loadProjectSettings(ProjectConfig& config);

    ProjectConfig project;
    HWND hwnd = nullptr;
    AppDelegate* app = nullptr;
    FILE* debugLogFile = nullptr;
};
