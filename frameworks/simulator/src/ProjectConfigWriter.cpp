// ProjectConfig::makeCommandLine: the options a spawned instance needs to
// start with the same configuration, in a form the Windows argument splitter
// (CommandLineToArgvW and the C runtime's) turns back into the same strings.
#include "ProjectConfig/ProjectConfig.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// Windows splitting rules: backslashes are literal unless they precede a
// quote; 2n backslashes + quote give n backslashes and end the quoted part,
// 2n+1 give n backslashes and a literal quote. So a run of backslashes is
// doubled before a quote and before the closing quote ("D:\game\" must not
// turn its closing quote into a literal one).
std::string quoteArgument(const std::string& text)
{
    std::string out = "\"";
    size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        out.push_back(c);
        backslashes = 0;
    }
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
}

// Truncates toward zero like the parser's integers, clamped so the cast is
// defined for any float.
int toInt(float value)
{
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0f) return INT_MIN;
    if (value >= 2147483648.0f) return INT_MAX;
    return static_cast<int>(value);
}

std::string joinPathList(const std::vector<std::string>& paths)
{
    std::string joined;
    for (const std::string& path : paths) {
        if (!joined.empty()) joined.push_back(';');
        joined += path;
    }
    return joined;
}

void addOption(std::string& line, const std::string& option)
{
    if (!line.empty()) line.push_back(' ');
    line += option;
}

void addOption(std::string& line, const std::string& option, const std::string& value)
{
    addOption(line, option);
    line.push_back(' ');
    line += value;
}

} // namespace

std::string ProjectConfig::makeCommandLine(unsigned int mask) const
{
    std::string line;
    // Without the project folder on the line, relative paths must travel
    // resolved, or the new instance would resolve them against another folder.
    const bool withProjectDir = (mask & kProjectConfigProjectDir) != 0;

    if (withProjectDir && !_projectDir.empty()) addOption(line, "-workdir", quoteArgument(_projectDir));
    if ((mask & kProjectConfigScriptFile) && !_scriptFile.empty())
        addOption(line, "-entry", quoteArgument(_scriptFile));
    if ((mask & kProjectConfigWritablePath) && !_writablePath.empty())
        addOption(line, "-writable-path", quoteArgument(withProjectDir ? _writablePath : getWritableRealPath()));
    if (mask & kProjectConfigFrameSize) {
        addOption(line, "-resolution",
                  std::to_string(toInt(_frameSize.width)) + "x" + std::to_string(toInt(_frameSize.height)));
    }
    if ((mask & kProjectConfigFrameScale) && _frameScale != 1.0f) {
        char text[32];
        // Nine significant digits bring a float back bit for bit.
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(_frameScale));
        addOption(line, "-scale", text);
    }
    if ((mask & kProjectConfigWriteDebugLog) && _writeDebugLogToFile)
        addOption(line, "-write-debug-log", quoteArgument(withProjectDir ? _debugLogFile : getDebugLogFilePath()));
    if (mask & kProjectConfigShowConsole) addOption(line, "-console", _showConsole ? "enable" : "disable");
    if ((mask & kProjectConfigWindowOffset) && (_windowOffset.x != 0.0f || _windowOffset.y != 0.0f)) {
        addOption(line, "-position",
                  std::to_string(toInt(_windowOffset.x)) + "," + std::to_string(toInt(_windowOffset.y)));
    }
    if (mask & kProjectConfigDebugger) {
        if (_debuggerType == kProjectConfigDebuggerCodeIDE) addOption(line, "-debugger", "codeide");
        if (_debuggerType == kProjectConfigDebuggerStudio) addOption(line, "-debugger", "studio");
    }
    if ((mask & kProjectConfigListen) && !_bindAddress.empty())
        addOption(line, "-listen", quoteArgument(_bindAddress));
    if ((mask & kProjectConfigSearchPath) && !_searchPath.empty())
        addOption(line, "-search-path", quoteArgument(joinPathList(_searchPath)));
    if ((mask & kProjectConfigFirstSearchPath) && !_firstSearchPath.empty())
        addOption(line, "-first-search-path", quoteArgument(joinPathList(_firstSearchPath)));
    if ((mask & kProjectConfigResizeWindow) && _resizeWindow) addOption(line, "-resize-window");
    if ((mask & kProjectConfigRetinaDisplay) && _retinaDisplay) addOption(line, "-retina-display");
    return line;
}
