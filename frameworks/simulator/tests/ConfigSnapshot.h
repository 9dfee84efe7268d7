// Every observable value of a ProjectConfig in one comparable struct, so a
// test states the whole expected configuration and any side effect on an
// unrelated value shows up as a difference.
#pragma once

#include "ProjectConfig/ProjectConfig.h"

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

struct ConfigSnapshot {
    std::string projectDir;
    std::string writablePath;
    std::string writableRealPath;
    std::string scriptFile;
    float frameWidth = 0;
    float frameHeight = 0;
    float frameScale = 0;
    bool showConsole = false;
    bool writeDebugLog = false;
    std::string debugLogName;
    std::string debugLogPath;
    float offsetX = 0;
    float offsetY = 0;
    int debugger = 0;
    bool appMenu = false;
    bool resizeWindow = false;
    bool retina = false;
    int consolePort = 0;
    int uploadPort = 0;
    std::string bindAddress;
    std::vector<std::string> searchPath;
    std::vector<std::string> firstSearchPath;

    static ConfigSnapshot of(const ProjectConfig& c)
    {
        ConfigSnapshot s;
        s.projectDir = c.getProjectDir();
        s.writablePath = c.getWritablePath();
        s.writableRealPath = c.getWritableRealPath();
        s.scriptFile = c.getScriptFile();
        s.frameWidth = c.getFrameSize().width;
        s.frameHeight = c.getFrameSize().height;
        s.frameScale = c.getFrameScale();
        s.showConsole = c.isShowConsole();
        s.writeDebugLog = c.isWriteDebugLogToFile();
        s.debugLogName = c.getDebugLogFileName();
        s.debugLogPath = c.getDebugLogFilePath();
        s.offsetX = c.getWindowOffset().x;
        s.offsetY = c.getWindowOffset().y;
        s.debugger = c.getDebuggerType();
        s.appMenu = c.isAppMenu();
        s.resizeWindow = c.isResizeWindow();
        s.retina = c.isRetinaDisplay();
        s.consolePort = c.getConsolePort();
        s.uploadPort = c.getUploadPort();
        s.bindAddress = c.getBindAddress();
        s.searchPath = c.getSearchPath();
        s.firstSearchPath = c.getFirstSearchPath();
        return s;
    }

    auto tie() const
    {
        return std::tie(projectDir, writablePath, writableRealPath, scriptFile, frameWidth, frameHeight,
                        frameScale, showConsole, writeDebugLog, debugLogName, debugLogPath, offsetX, offsetY,
                        debugger, appMenu, resizeWindow, retina, consolePort, uploadPort, bindAddress,
                        searchPath, firstSearchPath);
    }
    bool operator==(const ConfigSnapshot& o) const { return tie() == o.tie(); }
};

inline std::ostream& operator<<(std::ostream& out, const std::vector<std::string>& list)
{
    out << "{";
    for (size_t i = 0; i < list.size(); ++i) out << (i ? ", " : "") << '"' << list[i] << '"';
    return out << "}";
}

inline void PrintTo(const ConfigSnapshot& s, std::ostream* out)
{
    *out << "\n  projectDir=\"" << s.projectDir << "\" writablePath=\"" << s.writablePath
         << "\" writableRealPath=\"" << s.writableRealPath << "\" scriptFile=\"" << s.scriptFile
         << "\"\n  frame=" << s.frameWidth << "x" << s.frameHeight << " scale=" << s.frameScale
         << " showConsole=" << s.showConsole << " writeDebugLog=" << s.writeDebugLog << " debugLogName=\""
         << s.debugLogName << "\" debugLogPath=\"" << s.debugLogPath << "\"\n  offset=" << s.offsetX << ","
         << s.offsetY << " debugger=" << s.debugger << " appMenu=" << s.appMenu
         << " resizeWindow=" << s.resizeWindow << " retina=" << s.retina << " ports=" << s.consolePort << "/"
         << s.uploadPort << " listen=\"" << s.bindAddress << "\" searchPath=" << s.searchPath
         << " firstSearchPath=" << s.firstSearchPath;
}
