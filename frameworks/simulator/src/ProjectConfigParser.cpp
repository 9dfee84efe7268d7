// ProjectConfig's command-line parser. One option table serves the parser
// and isOption(), so the two cannot disagree about what is an option.
#include "ProjectConfig/ProjectConfig.h"

#include <cfloat>
#include <climits>
#include <cstdlib>

struct ProjectConfig::Option {
    const char* name;
    bool takesValue;
    void (*apply)(ProjectConfig& config, const std::string& value);
};

namespace {

// atoi's reading (leading blanks, sign, digits, stop at the first other
// character, 0 when there are none) without its undefined overflow.
int leadingInt(const std::string& text)
{
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// "A;B" → {"A", "B"}; empty pieces name no folder and are dropped.
std::vector<std::string> splitPathList(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// "WxH" or "X,Y": the first separator must have text before it.
bool splitPair(const std::string& text, char separator, int& first, int& second)
{
    const size_t pos = text.find(separator);
    if (pos == std::string::npos || pos == 0) return false;
    first = leadingInt(text.substr(0, pos));
    second = leadingInt(text.substr(pos + 1));
    return true;
}

} // namespace

const std::vector<ProjectConfig::Option>& ProjectConfig::options()
{
    static const std::vector<Option> table = {
        {"-workdir", true,
         [](ProjectConfig& c, const std::string& v) {
             c.setProjectDir(v);
             if (c._writablePath.empty()) c.setWritablePath(v);
         }},
        {"-writable-path", true, [](ProjectConfig& c, const std::string& v) { c.setWritablePath(v); }},
        {"-entry", true, [](ProjectConfig& c, const std::string& v) { c.setScriptFile(v); }},
        {"-landscape", false, [](ProjectConfig& c, const std::string&) { c.setFrameSize({960.0f, 640.0f}); }},
        {"-portrait", false, [](ProjectConfig& c, const std::string&) { c.setFrameSize({640.0f, 960.0f}); }},
        {"-resolution", true,
         [](ProjectConfig& c, const std::string& v) {
             int width = 0, height = 0;
             if (splitPair(v, 'x', width, height))
                 c.setFrameSize({static_cast<float>(width), static_cast<float>(height)});
         }},
        {"-scale", true,
         [](ProjectConfig& c, const std::string& v) {
             const double scale = std::strtod(v.c_str(), nullptr);
             // A double beyond float's range would make the cast undefined.
             if (scale > 0.0 && scale <= FLT_MAX) c.setFrameScale(static_cast<float>(scale));
         }},
        {"-write-debug-log", true,
         [](ProjectConfig& c, const std::string& v) {
             if (v.empty()) return;
             c.setDebugLogFilePath(v);
             c.setWriteDebugLogToFile(true);
         }},
        {"-console", true, [](ProjectConfig& c, const std::string& v) { c.setShowConsole(v == "enable"); }},
        {"-position", true,
         [](ProjectConfig& c, const std::string& v) {
             int x = 0, y = 0;
             if (splitPair(v, ',', x, y)) c.setWindowOffset({static_cast<float>(x), static_cast<float>(y)});
         }},
        {"-debugger", true,
         [](ProjectConfig& c, const std::string& v) {
             if (v == "codeide") c.setDebuggerType(kProjectConfigDebuggerCodeIDE);
             else if (v == "studio") c.setDebuggerType(kProjectConfigDebuggerStudio);
         }},
        {"-app-menu", false, [](ProjectConfig& c, const std::string&) { c._appMenu = true; }},
        {"-resize-window", false, [](ProjectConfig& c, const std::string&) { c._resizeWindow = true; }},
        {"-retina-display", false, [](ProjectConfig& c, const std::string&) { c.setRetinaDisplay(true); }},
        // Accepted for compatibility; the ports come from "config.json".
        {"-port", false, [](ProjectConfig&, const std::string&) {}},
        {"-listen", true, [](ProjectConfig& c, const std::string& v) { c.setBindAddress(v); }},
        {"-search-path", true, [](ProjectConfig& c, const std::string& v) { c.setSearchPath(splitPathList(v)); }},
        {"-first-search-path", true,
         [](ProjectConfig& c, const std::string& v) { c.setFirstSearchPath(splitPathList(v)); }},
    };
    return table;
}

const ProjectConfig::Option* ProjectConfig::findOption(const std::string& name)
{
    for (const Option& option : options()) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

bool ProjectConfig::isOption(const std::string& arg)
{
    return findOption(arg) != nullptr;
}

void ProjectConfig::parseCommandLine(const std::vector<std::string>& args)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const Option* option = findOption(args[i]);
        if (!option) continue;
        if (!option->takesValue) {
            option->apply(*this, std::string());
            continue;
        }
        if (i + 1 >= args.size()) return;
        ++i;
        option->apply(*this, args[i]);
    }
}
