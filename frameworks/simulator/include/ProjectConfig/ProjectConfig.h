// Configuration of one desktop run: project and writable folders, entry
// script, window frame, debug log, debugger, console ports and extra search
// paths, with the command-line parser that fills it and the writer that
// hands it on to a spawned instance.
//
// A plain value type: copy it freely. Not internally synchronised; one thread
// at a time, like any value.
//
// Folder rules, applied on every set of the project folder, the writable path
// or the script file (and by the constructor):
//   - "/" and "\" become "\" and runs of separators collapse to one (a
//     leading "\\" UNC prefix is kept);
//   - a non-empty project folder ends in "\";
//   - an empty writable path takes the project folder;
//   - a non-empty writable path ends in "\".
#pragma once

#include "math/CCGeometry.h"

#include <string>
#include <vector>

// Values of the debugger type.
constexpr int kProjectConfigDebuggerNone = 0;
constexpr int kProjectConfigDebuggerCodeIDE = 2;
constexpr int kProjectConfigDebuggerStudio = 3;

// Option groups that makeCommandLine() writes; combine with "|".
enum : unsigned int {
    kProjectConfigProjectDir = 1u << 0,
    kProjectConfigScriptFile = 1u << 1,
    kProjectConfigWritablePath = 1u << 2,
    kProjectConfigFrameSize = 1u << 3,
    kProjectConfigFrameScale = 1u << 4,
    kProjectConfigShowConsole = 1u << 5,
    kProjectConfigWriteDebugLog = 1u << 6,
    kProjectConfigWindowOffset = 1u << 7,
    kProjectConfigDebugger = 1u << 8,
    kProjectConfigListen = 1u << 9,
    kProjectConfigSearchPath = 1u << 10,
    kProjectConfigFirstSearchPath = 1u << 11,
    kProjectConfigResizeWindow = 1u << 12,
    kProjectConfigRetinaDisplay = 1u << 13,

    kProjectConfigAll = (1u << 14) - 1,
};

class ProjectConfig {
public:
    ProjectConfig();

    // True when arg is exactly (case-sensitive) one of the parser's option
    // names, with or without a value. The host uses it so that a lone
    // argument such as "-retina-display" is not taken for a project folder.
    static bool isOption(const std::string& arg);

    // Walks every entry, the program path included (it is no option).
    // Unknown entries are ignored. A value option takes the next entry
    // whatever it looks like; as the last entry it sets nothing.
    void parseCommandLine(const std::vector<std::string>& args);

    // The options selected by mask, joined by single blanks, without the
    // program path. Paths are quoted so that the Windows argument splitter
    // gives them back unchanged (a trailing "\" is doubled before the closing
    // quote). Values at their defaults are left out, except the frame size
    // and the console choice, which are always written. parseCommandLine() of
    // the split result restores every value the parser has an option for,
    // within what the options can carry: whole-number frame sizes and
    // offsets, debugger types 0, 2 and 3, the debug log name only while the
    // log is on, search-path entries without ";". The ports have no option;
    // they come from "config.json" at every start. Without the project
    // folder in mask, a relative writable path and debug log name are written
    // resolved.
    std::string makeCommandLine(unsigned int mask = kProjectConfigAll) const;

    // One engine log line per value, starting with "Project Config:" and
    // ending with an empty line. The writable path shown is the resolved one;
    // the debug log line reads "<resolved path> (YES)" or "NO (NO)".
    void dump() const;

    const std::string& getProjectDir() const { return _projectDir; }
    void setProjectDir(const std::string& projectDir);

    const std::string& getScriptFile() const { return _scriptFile; }
    void setScriptFile(const std::string& scriptFile);

    // As set (normalised); may be relative to the project folder or start
    // with "$(PROJDIR)".
    const std::string& getWritablePath() const { return _writablePath; }
    void setWritablePath(const std::string& writablePath);
    // The writable path resolved against the project folder.
    std::string getWritableRealPath() const;

    const cocos2d::Size& getFrameSize() const { return _frameSize; }
    // Ignored unless both sides are finite and above 0.
    void setFrameSize(const cocos2d::Size& frameSize);
    bool isLandscapeFrame() const;
    // Swaps the sides unless the frame is already wider than high.
    void changeFrameOrientationToLandscape();
    // Swaps the sides when the frame is wider than high.
    void changeFrameOrientationToPortait();

    float getFrameScale() const { return _frameScale; }
    // Ignored unless finite and above 0.
    void setFrameScale(float frameScale);

    bool isShowConsole() const { return _showConsole; }
    void setShowConsole(bool showConsole);

    bool isWriteDebugLogToFile() const { return _writeDebugLogToFile; }
    void setWriteDebugLogToFile(bool writeDebugLog);
    // The name as given ("debug.log" by default).
    const std::string& getDebugLogFileName() const { return _debugLogFile; }
    // An empty name is ignored: it would make the log path the folder itself.
    void setDebugLogFilePath(const std::string& fileName);
    // The name when it is absolute, else the project folder followed by it.
    std::string getDebugLogFilePath() const;

    const cocos2d::Vec2& getWindowOffset() const { return _windowOffset; }
    void setWindowOffset(const cocos2d::Vec2& offset);

    int getDebuggerType() const { return _debuggerType; }
    void setDebuggerType(int debuggerType);

    bool isAppMenu() const { return _appMenu; }
    bool isResizeWindow() const { return _resizeWindow; }

    bool isRetinaDisplay() const { return _retinaDisplay; }
    void setRetinaDisplay(bool retinaDisplay);

    int getConsolePort() const { return _consolePort; }
    void setConsolePort(int port);
    int getUploadPort() const { return _uploadPort; }
    void setUploadPort(int port);

    const std::string& getBindAddress() const { return _bindAddress; }
    void setBindAddress(const std::string& address);

    const std::vector<std::string>& getSearchPath() const { return _searchPath; }
    void setSearchPath(const std::vector<std::string>& paths);
    const std::vector<std::string>& getFirstSearchPath() const { return _firstSearchPath; }
    void setFirstSearchPath(const std::vector<std::string>& paths);

private:
    struct Option;
    static const Option* findOption(const std::string& name);
    static const std::vector<Option>& options();

    void normalize();

    std::string _projectDir;
    std::string _scriptFile;
    std::string _writablePath;
    cocos2d::Size _frameSize{960.0f, 640.0f};
    float _frameScale = 1.0f;
    bool _showConsole = true;
    bool _writeDebugLogToFile = false;
    std::string _debugLogFile = "debug.log";
    cocos2d::Vec2 _windowOffset;
    int _debuggerType = kProjectConfigDebuggerNone;
    bool _appMenu = true;
    bool _resizeWindow = false;
    bool _retinaDisplay = false;
    int _consolePort = 6010;
    int _uploadPort = 6020;
    std::string _bindAddress;
    std::vector<std::string> _searchPath;
    std::vector<std::string> _firstSearchPath;
};
