// ProjectConfig values: defaults, setter rules, folder normalisation, the
// resolved paths and the dump. The parser and the writer have their own files.
#include "ProjectConfig/ProjectConfig.h"

#include "PathRules.h"
#include "base/CCConsole.h"

#include <cmath>
#include <utility>

namespace {

// Prefix of a writable path that stands for the project folder.
const std::string kProjectDirMacro = "$(PROJDIR)";

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

const char* debuggerName(int type)
{
    switch (type) {
    case kProjectConfigDebuggerCodeIDE: return "Cocos Code IDE";
    case kProjectConfigDebuggerStudio: return "Cocos Studio";
    default: return "none";
    }
}

} // namespace

ProjectConfig::ProjectConfig()
{
    normalize();
}

void ProjectConfig::normalize()
{
    _projectDir = simulator::withTrailingSeparator(simulator::toWindowsSeparators(_projectDir));
    _scriptFile = simulator::toWindowsSeparators(_scriptFile);
    _writablePath = simulator::toWindowsSeparators(_writablePath);
    if (!_projectDir.empty() && _writablePath.empty()) _writablePath = _projectDir;
    _writablePath = simulator::withTrailingSeparator(_writablePath);
}

void ProjectConfig::setProjectDir(const std::string& projectDir)
{
    _projectDir = projectDir;
    normalize();
}

void ProjectConfig::setScriptFile(const std::string& scriptFile)
{
    _scriptFile = scriptFile;
    normalize();
}

void ProjectConfig::setWritablePath(const std::string& writablePath)
{
    _writablePath = writablePath;
    normalize();
}

std::string ProjectConfig::getWritableRealPath() const
{
    if (_writablePath.empty()) return _projectDir;
    if (simulator::isAbsoluteConfigPath(_writablePath)) return _writablePath;
    if (startsWith(_writablePath, kProjectDirMacro))
        return simulator::joinConfigPath(_projectDir, _writablePath.substr(kProjectDirMacro.size()));
    // Already below the project folder (a lone "/game" makes both "\game\"):
    // prefixing it again would double the folder.
    if (!_projectDir.empty() && startsWith(_writablePath, _projectDir)) return _writablePath;
    return simulator::joinConfigPath(_projectDir, _writablePath);
}

void ProjectConfig::setFrameSize(const cocos2d::Size& frameSize)
{
    if (!std::isfinite(frameSize.width) || !std::isfinite(frameSize.height)) return;
    if (frameSize.width <= 0.0f || frameSize.height <= 0.0f) return;
    _frameSize = frameSize;
}

bool ProjectConfig::isLandscapeFrame() const
{
    return _frameSize.width > _frameSize.height;
}

void ProjectConfig::changeFrameOrientationToLandscape()
{
    if (!isLandscapeFrame()) std::swap(_frameSize.width, _frameSize.height);
}

void ProjectConfig::changeFrameOrientationToPortait()
{
    if (isLandscapeFrame()) std::swap(_frameSize.width, _frameSize.height);
}

void ProjectConfig::setFrameScale(float frameScale)
{
    if (!std::isfinite(frameScale) || frameScale <= 0.0f) return;
    _frameScale = frameScale;
}

void ProjectConfig::setShowConsole(bool showConsole)
{
    _showConsole = showConsole;
}

void ProjectConfig::setWriteDebugLogToFile(bool writeDebugLog)
{
    _writeDebugLogToFile = writeDebugLog;
}

void ProjectConfig::setDebugLogFilePath(const std::string& fileName)
{
    if (fileName.empty()) return;
    _debugLogFile = fileName;
}

std::string ProjectConfig::getDebugLogFilePath() const
{
    if (simulator::isAbsoluteConfigPath(_debugLogFile)) return _debugLogFile;
    return simulator::joinConfigPath(_projectDir, _debugLogFile);
}

void ProjectConfig::setWindowOffset(const cocos2d::Vec2& offset)
{
    _windowOffset = offset;
}

void ProjectConfig::setDebuggerType(int debuggerType)
{
    _debuggerType = debuggerType;
}

void ProjectConfig::setRetinaDisplay(bool retinaDisplay)
{
    _retinaDisplay = retinaDisplay;
}

void ProjectConfig::setConsolePort(int port)
{
    _consolePort = port;
}

void ProjectConfig::setUploadPort(int port)
{
    _uploadPort = port;
}

void ProjectConfig::setBindAddress(const std::string& address)
{
    _bindAddress = address;
}

void ProjectConfig::setSearchPath(const std::vector<std::string>& paths)
{
    _searchPath = paths;
}

void ProjectConfig::setFirstSearchPath(const std::vector<std::string>& paths)
{
    _firstSearchPath = paths;
}

void ProjectConfig::dump() const
{
    cocos2d::log("Project Config:");
    cocos2d::log("    project dir: %s", _projectDir.c_str());
    cocos2d::log("    writable path: %s", getWritableRealPath().c_str());
    cocos2d::log("    script file: %s", _scriptFile.c_str());
    cocos2d::log("    frame size: %0.0f x %0.0f", _frameSize.width, _frameSize.height);
    cocos2d::log("    frame scale: %0.2f", _frameScale);
    cocos2d::log("    show console: %s", _showConsole ? "YES" : "NO");
    const std::string logPath = _writeDebugLogToFile ? getDebugLogFilePath() : std::string("NO");
    cocos2d::log("    write debug log: %s (%s)", logPath.c_str(), _writeDebugLogToFile ? "YES" : "NO");
    cocos2d::log("    listen: %s", _bindAddress.c_str());
    cocos2d::log("    debugger: %s", debuggerName(_debuggerType));
    cocos2d::log("    add searching path:");
    for (const std::string& path : _firstSearchPath) cocos2d::log("        %s", path.c_str());
    for (const std::string& path : _searchPath) cocos2d::log("        %s", path.c_str());
    cocos2d::log("%s", "");
}
